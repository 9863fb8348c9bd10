// PdfDocument: life cycle, document structure, settings, streams and protection.
//
// File layout written here:
//   %PDF-1.3 LF, "% <banner> rel. 2.4.8" LF (the banner has bytes above 127)
//   per page: the content stream, then the page object, with new object numbers
//   at EndDoc: 3 the outline root, the encryption dictionary, fonts, graphics states,
//   2 the resources, 1 the page tree, the catalog and, last, the information dictionary
//   "xref", "0 <count>", one 20-byte line per object ("0000001234 00000 n" CR LF), the trailer
// Objects are "<n> 0 obj" LF <body> LF "endobj" LF; dictionary entries are separated by CR.
#include "pdf/pdf_document.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <thread>

#include "pdf/desktop_viewer.h"
#include "pdf/pdf_document_internal.h"
#include "pdf/pdf_extras.h"
#include "pdf/pdf_filters.h"
#include "pdf/pdf_number.h"
#include "pdf/pdf_page_writer.h"
#include "pdf/pdf_text.h"
#include "pdf/truetype.h"

namespace kaveltar {

using pdf_internal::AppendInteger;
using pdf_internal::AppendNumber;
using pdf_internal::PdfFailure;

namespace {

// Header comment: "% " + banner + " rel. " + version. The accented letters are in the
// Windows code page, so the line also marks the file as binary.
constexpr char kBanner[] = "KAVELTAR PdfDocument \xE0\xE8\xE9\xEC\xF2\xF9";
constexpr char kDefaultTitle[] = "(senza titolo)";
constexpr char kDefaultAuthor[] = "KAVELTAR";
constexpr char kDefaultCreator[] = "KAVELTAR Gestione Presenze";
constexpr char kDefaultProducer[] = "KAVELTAR PdfDocument 2.4.8";

// Points per user unit of SetScale modes 0 to 3.
constexpr double kScaleFactors[] = {1, 72, 2.8346455, 28.346457};

// SetPaperSize types -8 to 17: width and height in points.
constexpr double kPaperSizes[26][2] = {
    {2384, 3371}, {3371, 2384}, {1685, 2384}, {2384, 1685}, {1192, 1685}, {1685, 1192}, {842, 1192},
    {1192, 842},  {596, 842},   {842, 596},   {421, 596},   {596, 421},   {298, 421},   {421, 298},
    {210, 298},   {298, 210},   {612, 792},   {792, 612},   {792, 1224},  {1224, 792},  {612, 1008},
    {1008, 612},  {396, 612},   {612, 396},   {522, 756},   {756, 522}};

const char* ErrorText(long number) {
  switch (number) {
    case pdf_internal::kErrInvalidArgument:
      return "Chiamata di routine o argomento non validi";
    case pdf_internal::kErrOutOfMemory:
      return "Memoria esaurita";
    case pdf_internal::kErrNoDocument:
      return "Nome o numero di file non valido";
    case pdf_internal::kErrFileNotFound:
      return "Impossibile trovare il file";
    case pdf_internal::kErrDeviceIo:
      return "Errore di I/O della periferica";
    case pdf_internal::kErrFileAccess:
      return "Errore di accesso al percorso/file";
    case pdf_internal::kErrPathNotFound:
      return "Impossibile trovare il percorso";
    case pdf_internal::kErrInvalidPicture:
      return "Immagine non valida";
    default:
      return "Errore";
  }
}

// "D:yyyymmddhhmmssZ+01'00'" for the local time now.
std::string CreationDateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "D:%Y%m%d%H%M%S", &local);
  return std::string(text) + "Z+01'00'";
}

// "~" + hexadecimal of "dhhmmss" and a random digit + ".pdf".
std::string TemporaryFileName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char digits[32];
  std::strftime(digits, sizeof digits, "%H%M%S", &local);
  std::random_device random;
  const std::string number = std::to_string(local.tm_mday) + digits + std::to_string(random() % 10);
  char hex[32];
  std::snprintf(hex, sizeof hex, "%llX", std::stoull(number));
  return std::string("~") + hex + ".pdf";
}

std::string HexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

void AppendOffsetLine(std::string* out, uint64_t offset) {
  char line[21];
  std::snprintf(line, sizeof line, "%010llu 00000 n\r\n", static_cast<unsigned long long>(offset));
  out->append(line, 20);
}

// zlib level of a Flate quality from 0 to 3.
int FlateLevel(int quality) {
  static constexpr int kLevels[] = {1, 2, 4, 6};
  return kLevels[std::clamp(quality, 0, 3)];
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Errors

void PdfDocument::RecordError(const char* operation, long number, const std::string& detail) {
  err_number_ = number;
  err_source_ = std::string("PdfDocument.") + operation;
  err_description_ = detail.empty() ? ErrorText(number) : detail + " - " + ErrorText(number);
}

void PdfDocument::Fail(long number, std::string detail) {
  throw PdfFailure{number, std::move(detail)};
}

void PdfDocument::RequirePage() const {
  if (!page_open_) Fail(pdf_internal::kErrInvalidArgument, "nessuna pagina aperta");
}

// ---------------------------------------------------------------------------------------
// Life cycle

PdfDocument::PdfDocument() { Abort(); }

PdfDocument::~PdfDocument() { DiscardOutput(); }

void PdfDocument::Abort() {
  Guard("Abort", [&] {
    DiscardOutput();
    scale_ = 1;
    page_width_ = 596;
    page_height_ = 842;
    margin_left_ = margin_right_ = margin_top_ = margin_bottom_ = 0;
    clip_ = false;
    document_view_ = 0;
    viewer_preferences_ = 0;
    memory_usage_ = 1;
    compression_ = 0;
    quality_ = 0;
    // The helper thread pays off when a core is likely to be idle; on a machine with
    // fewer hardware threads, handing pages over costs more than it saves.
    background_writing_ = std::thread::hardware_concurrency() >= 4;
    title_ = kDefaultTitle;
    subject_.clear();
    keywords_.clear();
    author_ = kDefaultAuthor;
    creator_ = kDefaultCreator;
    producer_ = kDefaultProducer;
    creation_date_ = CreationDateNow();
    protect_ = false;
    permissions_ = 0;
    key_bits_ = 128;
    owner_password_.clear();
    user_password_.clear();
    fonts_.clear();
    added_fonts_.clear();
    font_ = -1;
    font_size_ = 10;
    text_decoration_ = 0;
    text_mode_ = 0;
    fill_color_ = line_color_ = text_color_ = content_fill_ = 0;
    file_path_.clear();
    finished_ = false;
    file_size_ = 0;
    ResetDocumentState();
  });
}

void PdfDocument::ResetDocumentState() {
  offsets_.clear();
  offsets_.reserve(static_cast<size_t>(memory_usage_) * 10);
  highest_object_ = 0;
  offset_ = 0;
  write_failed_ = false;
  min_version_ = 0;
  pages_.clear();
  page_open_ = false;
  content_.clear();
  images_.clear();
  alphas_.clear();
  extras_.reset();
  // The selected font stays selected; the other entries belonged to the last document.
  if (font_ >= 0) {
    FontEntry current = fonts_[font_];
    fonts_.assign(1, current);
    font_ = 0;
  } else {
    fonts_.clear();
  }
  for (FontEntry& font : fonts_) font.object = 0;
  char_spacing_ = word_spacing_ = 0;
  horizontal_scaling_ = 100;
  line_spacing_ = 1;
  x_ = y_ = 0;
}

void PdfDocument::DiscardOutput() {
  page_writer_.reset();  // queued pages are dropped
  if (doc_open_ && sink_ != nullptr) sink_->Discard();
  doc_open_ = false;
  page_open_ = false;
  file_sink_.reset();
  sink_ = nullptr;
}

std::string PdfDocument::BeginDoc(const std::string& file_name) {
  std::string result;
  Guard("BeginDoc", [&] {
    DiscardOutput();
    const std::string path = file_name.empty() ? TemporaryFileName() : file_name;
    auto sink = std::make_unique<FilePdfSink>();
    const int error = sink->Open(path);
    if (error == ENOENT || error == ENOTDIR) Fail(pdf_internal::kErrPathNotFound, path);
    if (error != 0) Fail(pdf_internal::kErrFileAccess, path);
    file_sink_ = std::move(sink);
    sink_ = file_sink_.get();
    file_path_ = path;
    StartOutput();
    result = path;
  });
  return result;
}

void PdfDocument::BeginDocToSink(PdfSink* sink) {
  Guard("BeginDoc", [&] {
    if (sink == nullptr) Fail(pdf_internal::kErrInvalidArgument, "nessuna destinazione");
    DiscardOutput();
    sink_ = sink;
    file_path_.clear();
    StartOutput();
  });
}

void PdfDocument::StartOutput() {
  ResetDocumentState();
  finished_ = false;
  file_size_ = 0;
  doc_open_ = true;
  if (protect_) {
    // The file identifier: a digest of the time, the process and random bits.
    std::random_device random;
    std::string seed = std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
    seed += '/' + std::to_string(getpid()) + '/' + file_path_;
    for (int i = 0; i < 4; ++i) seed += '/' + std::to_string(random());
    file_id_ = pdf_internal::Md5(seed);
    std::string user, owner;
    pdf_internal::Utf8ToWinAnsi(user_password_, &user);
    pdf_internal::Utf8ToWinAnsi(owner_password_, &owner);
    keys_ = pdf_internal::ComputeSecurityKeys(user, owner, permissions_, key_bits_, file_id_);
    if (key_bits_ == 128) min_version_ = std::max(min_version_, 1);
  }
  std::string header = "%PDF-1.3\n% ";
  header += kBanner;
  header += " rel. " + Version() + "\n";
  Write(header);
  highest_object_ = 3;
  offsets_.assign(4, 0);
}

int PdfDocument::BeginPage() {
  int number = 0;
  Guard("BeginPage", [&] {
    if (!doc_open_) Fail(pdf_internal::kErrNoDocument, "nessun documento aperto");
    if (page_open_) EndPageInternal(false);
    BeginPageInternal();
    number = static_cast<int>(pages_.size());
  });
  return number;
}

void PdfDocument::BeginPageInternal() {
  Grow(&pages_, pages_.size() + 1);
  pages_.push_back({0, document_view_});
  content_.clear();
  page_open_ = true;
  fill_color_ = line_color_ = text_color_ = content_fill_ = 0;
  char_spacing_ = word_spacing_ = 0;
  horizontal_scaling_ = 100;
  line_spacing_ = 1;
  written_char_spacing_ = written_word_spacing_ = 0;
  written_scaling_ = 100;
  written_text_mode_ = 0;
  x_ = y_ = 0;
}

void PdfDocument::EndPage() {
  Guard("EndPage", [&] {
    if (page_open_) EndPageInternal(false);
  });
}

void PdfDocument::EndPageInternal(bool finishing) {
  if (extras_ != nullptr) ClosePageStructures();
  page_open_ = false;

  // The page's coordinate system: origin at the top-left corner of the margin box, Y down.
  std::string head = "1 0 0 -1 ";
  AppendNumber(&head, margin_left_);
  head.push_back(' ');
  AppendNumber(&head, page_height_ - margin_top_);
  head.append(" cm \r");
  if (clip_) {
    head.append("0 0 ");
    AppendNumber(&head, page_width_ - margin_right_ - margin_left_);
    head.push_back(' ');
    AppendNumber(&head, page_height_ - margin_bottom_ - margin_top_);
    head.append(" re W n\r");
  }

  const int contents = NewObjectNumber();
  const int page = NewObjectNumber();
  std::string body = "<< /Type /Page /Parent 1 0 R /Contents ";
  AppendInteger(&body, contents);
  body.append(" 0 R\r/MediaBox [0 0 ");
  AppendNumber(&body, page_width_);
  body.push_back(' ');
  AppendNumber(&body, page_height_);
  body.append("]\r");
  if (extras_ != nullptr) AppendPageAnnotations(&body);
  body.append("/Resources 2 0 R\r");
  if (extras_ != nullptr) AppendPageTransition(&body);
  const int view = pages_.back().view;
  if (view != 0 && view != document_view_) {
    // A page shown with its own zoom: an open action of the page.
    body.append("/AA << /O << /S /GoTo /D [");
    AppendInteger(&body, page);
    static const char* const kViews[] = {"", " 0 R /Fit", " 0 R /FitH ", " 0 R /FitV 0",
                                         " 0 R /XYZ 0 "};
    body.append(kViews[view]);
    if (view == 2 || view == 4) AppendNumber(&body, page_height_);
    if (view == 4) body.append(" 1");
    body.append("] >> >>\r");
  }
  body.append(">>");
  pages_.back().object = page;

  // Encoding is the slow part of a page: hand it to the helper thread when there is some.
  if (!finishing && background_writing_ && (compression_ != 0 || protect_)) {
    if (page_writer_ == nullptr) page_writer_ = std::make_unique<PageWriter>(this);
    PageJob job{contents,       page, compression_, quality_, std::move(head), std::move(content_),
                std::move(body)};
    content_ = page_writer_->Submit(std::move(job));
    return;
  }
  WriteStreamObject(contents, "", head, content_, "");
  WriteObject(page, body);
  content_.clear();
  // EndDoc reports a failed write itself, after removing the file.
  if (write_failed_ && !finishing) Fail(pdf_internal::kErrDeviceIo, file_path_);
}

void PdfDocument::EndDoc() {
  Guard("EndDoc", [&] {
    if (!doc_open_) Fail(pdf_internal::kErrNoDocument, "nessun documento aperto");
    if (page_open_) EndPageInternal(true);
    if (pages_.empty()) {
      BeginPageInternal();
      EndPageInternal(true);
    }
    WaitForPages();

    if (extras_ != nullptr) {
      WriteExtrasObjects();  // also object 3, the outline root
    } else {
      WriteObject(3, "<< /Type /Outlines /Count 0 >>");
    }
    int encryption = 0;
    if (protect_) {
      encryption = NewObjectNumber();
      std::string body = "<< /Filter /Standard\r/O (";
      pdf_internal::AppendEscaped(keys_.owner_entry, &body);
      body += ")\r/U (";
      pdf_internal::AppendEscaped(keys_.user_entry, &body);
      body += ")\r/P ";
      AppendInteger(&body, keys_.permissions);
      body += keys_.revision == 2 ? "\r/V 1 /R 2 >>" : "\r/V 2 /R 3 /Length 128 >>";
      WriteObject(encryption, body);
    }
    WriteFonts();
    for (AlphaEntry& alpha : alphas_) {
      alpha.object = NewObjectNumber();
      std::string body = "<</Type /ExtGState /ca ";
      AppendNumber(&body, alpha.fill);
      body += " /CA ";
      AppendNumber(&body, alpha.stroke);
      body += " /BM /Normal >>";
      WriteObject(alpha.object, body);
    }
    WriteResources();
    WritePageTree();
    const int catalog = WriteCatalog();
    const int info = WriteInformation();
    WriteCrossReferenceAndTrailer(catalog, info, encryption);

    if (min_version_ > 0 && !write_failed_) {
      const std::string version = "%PDF-1." + std::to_string(3 + std::min(min_version_, 6));
      if (!sink_->Overwrite(0, version)) write_failed_ = true;
    }
    page_writer_.reset();
    const bool closed = !write_failed_ && sink_->Close();
    if (!closed) {
      sink_->Discard();
      doc_open_ = false;
      file_sink_.reset();
      sink_ = nullptr;
      Fail(pdf_internal::kErrDeviceIo, file_path_);
    }
    file_size_ = static_cast<int64_t>(offset_);
    doc_open_ = false;
    finished_ = true;
    file_sink_.reset();
    sink_ = nullptr;
  });
}

void PdfDocument::OpenDoc() {
  Guard("OpenDoc", [&] {
    if (!finished_ || file_path_.empty()) {
      Fail(pdf_internal::kErrFileNotFound, "nessun file PDF terminato");
    }
    switch (OpenWithDesktopViewer(file_path_)) {
      case ViewerOutcome::kOpened:
        break;
      case ViewerOutcome::kNoOpener:
        Fail(pdf_internal::kErrFileNotFound, "xdg-open");
      case ViewerOutcome::kNoViewer:
        Fail(pdf_internal::kErrFileAccess, "xdg-open");
    }
  });
}

// ---------------------------------------------------------------------------------------
// Settings

void PdfDocument::SetScale(int scale_mode, double user_factor) {
  Guard("SetScale", [&] {
    if (scale_mode >= 0 && scale_mode <= 3) {
      scale_ = kScaleFactors[scale_mode];
    } else if (scale_mode == 255 && user_factor > 0 && std::isfinite(user_factor)) {
      scale_ = user_factor;
    } else {
      Fail(pdf_internal::kErrInvalidArgument, "unità non valida");
    }
  });
}

void PdfDocument::SetPaperSize(int paper_type, double width, double height) {
  Guard("SetPaperSize", [&] {
    if (paper_type >= -8 && paper_type <= 17) {
      page_width_ = kPaperSizes[paper_type + 8][0];
      page_height_ = kPaperSizes[paper_type + 8][1];
    } else if (paper_type == 255 && width > 0 && height > 0 && std::isfinite(width * height)) {
      page_width_ = Pt(width);
      page_height_ = Pt(height);
    } else {
      Fail(pdf_internal::kErrInvalidArgument, "formato carta non valido");
    }
  });
}

void PdfDocument::SetMargins(double left, double right, double top, double bottom, bool clip) {
  Guard("SetMargins", [&] {
    for (double m : {left, right, top, bottom}) {
      if (!(m >= 0) || !std::isfinite(m))
        Fail(pdf_internal::kErrInvalidArgument, "margine non valido");
    }
    margin_left_ = Pt(left);
    margin_right_ = Pt(right);
    margin_top_ = Pt(top);
    margin_bottom_ = Pt(bottom);
    clip_ = clip;
  });
}

void PdfDocument::SetPageView(int view_mode) {
  Guard("SetPageView", [&] {
    if (view_mode < 0 || view_mode > 4) Fail(pdf_internal::kErrInvalidArgument, "vista non valida");
    if (page_open_) {
      pages_.back().view = view_mode;
    } else {
      document_view_ = view_mode;
    }
  });
}

void PdfDocument::SetViewerPreferences(int mode) {
  Guard("SetViewerPreferences", [&] { viewer_preferences_ = mode; });
}

void PdfDocument::SetDocProperty(const std::string& title, const std::string& subject,
                                 const std::string& author, const std::string& creator,
                                 const std::string& producer, const std::string& keywords) {
  Guard("SetDocProperty", [&] {
    title_ = title;
    subject_ = subject;
    keywords_ = keywords;
    if (!author.empty()) author_ = author;
    if (!creator.empty()) creator_ = creator;
    if (!producer.empty()) producer_ = producer;
  });
}

void PdfDocument::SetMemoryUsage(int value) {
  Guard("SetMemoryUsage", [&] {
    if (value < 1 || value > 10) Fail(pdf_internal::kErrInvalidArgument, "valore non valido");
    memory_usage_ = value;
  });
}

void PdfDocument::SetCompression(int compression_mode, int quality) {
  Guard("SetCompression", [&] {
    if (compression_mode < 0 || compression_mode > 31) {
      Fail(pdf_internal::kErrInvalidArgument, "compressione non valida");
    }
    compression_ = compression_mode;
    quality_ = std::clamp(quality, 0, 3);
  });
}

void PdfDocument::SetProtection(int permissions, const std::string& owner_password,
                                const std::string& user_password, int key_bits) {
  Guard("SetProtection", [&] {
    if (doc_open_) Fail(pdf_internal::kErrInvalidArgument, "documento già aperto");
    if (key_bits != 40 && key_bits != 128) {
      Fail(pdf_internal::kErrInvalidArgument, "lunghezza della chiave non valida");
    }
    protect_ = true;
    permissions_ = permissions;
    owner_password_ = owner_password;
    user_password_ = user_password;
    key_bits_ = key_bits;
  });
}

void PdfDocument::SetBackgroundWriting(bool on) {
  Guard("SetBackgroundWriting", [&] {
    WaitForPages();
    background_writing_ = on;
  });
}

std::string PdfDocument::zzToFlateDecode(std::string_view data) {
  std::string result;
  Guard("zzToFlateDecode",
        [&] { result = pdf_internal::FlateCompress(data, FlateLevel(quality_)); });
  return result;
}

// ---------------------------------------------------------------------------------------
// Objects and streams

void PdfDocument::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (!write_failed_ && !sink_->Write(bytes)) write_failed_ = true;
  offset_ += bytes.size();
}

int PdfDocument::NewObjectNumber() {
  ++highest_object_;
  Grow(&offsets_, static_cast<size_t>(highest_object_) + 1);
  offsets_.resize(static_cast<size_t>(highest_object_) + 1, 0);
  return highest_object_;
}

uint64_t PdfDocument::EmitObject(int number, std::string_view body) {
  const uint64_t offset = offset_;
  std::string head;
  AppendInteger(&head, number);
  head += " 0 obj\n";
  Write(head);
  Write(body);
  Write("\nendobj\n");
  return offset;
}

uint64_t PdfDocument::EmitStream(StreamScratch& scratch, int number, int compression, int quality,
                                 std::string_view entries, std::string_view prefix,
                                 std::string_view data, std::string_view own_filter,
                                 long long length1) {
  using pdf_internal::StreamEncoder;
  if (scratch.quality != quality || scratch.encoders[0] == nullptr) {
    scratch.encoders[0] = std::make_unique<pdf_internal::RunLengthEncoder>();
    scratch.encoders[1] = std::make_unique<pdf_internal::FlateEncoder>(FlateLevel(quality));
    scratch.encoders[2] = std::make_unique<pdf_internal::LzwEncoder>(quality);
    scratch.encoders[3] = std::make_unique<pdf_internal::Ascii85Encoder>();
    scratch.encoders[4] = std::make_unique<pdf_internal::AsciiHexEncoder>();
    scratch.quality = quality;
  }

  // Filters in the order they are applied; the data ping-pongs between two buffers. The
  // first filter reads the prefix and the data as one stream.
  std::string_view filters[6];
  int filter_count = 0;
  std::string_view current = data;
  std::string* target = &scratch.encoded_a;
  auto apply = [&](StreamEncoder& encoder) {
    target->clear();
    encoder.Start();
    if (!prefix.empty()) encoder.Feed(prefix, target);
    encoder.Feed(current, target);
    encoder.Finish(target);
    prefix = {};
    current = *target;
    target = target == &scratch.encoded_a ? &scratch.encoded_b : &scratch.encoded_a;
    filters[filter_count++] = encoder.FilterName();
  };
  if (own_filter.empty()) {
    for (int bit = 0; bit < 3; ++bit) {
      if (compression & (1 << bit)) apply(*scratch.encoders[bit]);
    }
  } else {
    filters[filter_count++] = own_filter;
  }
  for (int bit = 3; bit < 5; ++bit) {
    if (compression & (1 << bit)) apply(*scratch.encoders[bit]);
  }
  if (protect_) {
    if (current.data() == data.data()) {
      target->assign(prefix);
      target->append(data);
      prefix = {};
      current = *target;
    }
    pdf_internal::Rc4(pdf_internal::ObjectKey(keys_, number), const_cast<char*>(current.data()),
                      current.size());
  }

  std::string& head = scratch.head;
  head.clear();
  AppendInteger(&head, number);
  head += " 0 obj\n<< ";
  head.append(entries);
  if (filter_count > 0) {
    head += "/Filter [";
    for (int i = filter_count - 1; i >= 0; --i) {
      head.append(filters[i]);
      if (i > 0) head.push_back(' ');
    }
    head += "] ";
  }
  if (length1 >= 0) {
    head += "/Length1 ";
    AppendInteger(&head, length1);
    head.push_back(' ');
  }
  head += "/Length ";
  AppendInteger(&head, static_cast<long long>(prefix.size() + current.size()));
  head += " >>\nstream\n";
  const uint64_t offset = offset_;
  Write(head);
  Write(prefix);
  Write(current);
  Write("\nendstream\nendobj\n");
  return offset;
}

void PdfDocument::WaitForPages() {
  if (page_writer_ != nullptr) page_writer_->Drain();
}

void PdfDocument::WriteObject(int number, std::string_view body) {
  WaitForPages();
  offsets_[static_cast<size_t>(number)] = EmitObject(number, body);
}

void PdfDocument::WriteStreamObject(int number, std::string_view entries, std::string_view prefix,
                                    std::string_view data, std::string_view own_filter,
                                    long long length1) {
  WaitForPages();
  offsets_[static_cast<size_t>(number)] = EmitStream(scratch_, number, compression_, quality_,
                                                     entries, prefix, data, own_filter, length1);
}

void PdfDocument::AppendPdfString(std::string_view bytes, int object_number, std::string* out) {
  out->push_back('(');
  if (protect_) {
    std::string encrypted(bytes);
    pdf_internal::Rc4(pdf_internal::ObjectKey(keys_, object_number), encrypted.data(),
                      encrypted.size());
    pdf_internal::AppendEscaped(encrypted, out);
  } else {
    pdf_internal::AppendEscaped(bytes, out);
  }
  out->push_back(')');
}

// ---------------------------------------------------------------------------------------
// Shared objects written by EndDoc

void PdfDocument::WriteFonts() {
  for (size_t i = 0; i < fonts_.size(); ++i) {
    FontEntry& font = fonts_[i];
    if (font.added >= 0) {
      WriteTrueTypeFont(font, i);
      continue;
    }
    font.object = NewObjectNumber();
    std::string body = "<< /Type /Font /Subtype /Type1 /Name /F";
    AppendInteger(&body, static_cast<long long>(i + 1));
    body += " /BaseFont /" + font.full_name + " /FirstChar 0 /LastChar 255";
    if (!font.symbolic) {
      body += font.encoding == 1
                  ? " /Encoding << /Type /Encoding /BaseEncoding /MacRomanEncoding >>"
                  : " /Encoding << /Type /Encoding /BaseEncoding /WinAnsiEncoding >>";
    }
    body += " >>";
    WriteObject(font.object, body);
  }
}

void PdfDocument::WriteResources() {
  std::string body = "<<\r/Font <<";
  for (size_t i = 0; i < fonts_.size(); ++i) {
    body += " /F";
    AppendInteger(&body, static_cast<long long>(i + 1));
    body.push_back(' ');
    AppendInteger(&body, fonts_[i].object);
    body += " 0 R";
  }
  body += " >>\r/ProcSet [/PDF /Text";
  if (!images_.empty()) body += " /ImageB /ImageC /ImageI";
  body += " ]\r";
  const bool forms = extras_ != nullptr && !extras_->objects.empty();
  if (!images_.empty() || forms) {
    body += "/XObject <<";
    for (size_t i = 0; i < images_.size(); ++i) {
      body += " /_IMG_";
      AppendInteger(&body, static_cast<long long>(i + 1));
      body.push_back(' ');
      AppendInteger(&body, images_[i].object);
      body += " 0 R";
    }
    for (size_t i = 0; forms && i < extras_->objects.size(); ++i) {
      body += " /XO";
      AppendInteger(&body, static_cast<long long>(i + 1));
      body.push_back(' ');
      AppendInteger(&body, extras_->objects[i].object);
      body += " 0 R";
    }
    body += " >>\r";
  }
  if (!alphas_.empty()) {
    body += "/ExtGState <<";
    for (size_t i = 0; i < alphas_.size(); ++i) {
      body += " /GSTATE_";
      AppendInteger(&body, static_cast<long long>(i + 1));
      body.push_back(' ');
      AppendInteger(&body, alphas_[i].object);
      body += " 0 R";
    }
    body += " >>\r";
  }
  if (extras_ != nullptr) AppendExtrasResources(&body);
  body += ">>";
  WriteObject(2, body);
}

void PdfDocument::WritePageTree() {
  std::string body = "<<\r/Type /Pages /Count ";
  AppendInteger(&body, static_cast<long long>(pages_.size()));
  body += "\r/Kids [";
  for (const PageRecord& page : pages_) {
    AppendInteger(&body, page.object);
    body += " 0 R ";
  }
  body += "] \r>>";
  WriteObject(1, body);
}

int PdfDocument::WriteCatalog() {
  const int number = NewObjectNumber();
  std::string body = "<< /Type /Catalog\r/Pages 1 0 R\r";
  if (document_view_ != 0) {
    static const char* const kViews[] = {"", " 0 R /Fit", " 0 R /FitH ", " 0 R /FitV 0",
                                         " 0 R /XYZ 0 "};
    body += "/OpenAction [";
    AppendInteger(&body, pages_.front().object);
    body += kViews[document_view_];
    if (document_view_ == 2 || document_view_ == 4) AppendNumber(&body, page_height_);
    if (document_view_ == 4) body += " 1";
    body += "]\r";
  }
  if (extras_ != nullptr) AppendExtrasCatalog(&body, number);

  // The preferences arrive as a 16-bit value: 32768 is the sign-extended -32768.
  const int prefs = static_cast<int16_t>(viewer_preferences_ & 0xFFFF);
  const int layout = prefs & ~0xFFF;
  if (layout == 8192) body += "/PageLayout /OneColumn\r";
  if (layout == 16384) body += "/PageLayout /TwoColumnLeft\r";
  if (layout == -32768) body += "/PageLayout /TwoColumnRight\r";
  switch (prefs & 15) {
    case 1:
      body += "/PageMode /FullScreen\r";
      break;
    case 4:
      body += "/PageMode /UseThumbs\r";
      break;
    case 8:
      body += "/PageMode /UseOC\r";
      break;
    case 2:  // only a document with bookmarks opens with its outline shown
      if (extras_ != nullptr && !extras_->bookmarks.empty()) body += "/PageMode /UseOutlines\r";
      break;
    default:
      break;
  }
  body += "/ViewerPreferences << ";
  if (prefs & 16) body += "/HideMenubar true ";
  if (prefs & 32) body += "/HideToolbar true ";
  if (prefs & 64) body += "/HideWindowUI true ";
  if (prefs & 128) body += "/DisplayDocTitle true ";
  if (prefs & 256) body += "/CenterWindow true ";
  if (prefs & 512) body += "/FitWindow true ";
  body += " >>\r>>";
  WriteObject(number, body);
  return number;
}

int PdfDocument::WriteInformation() {
  const int number = NewObjectNumber();
  std::string body = "<<\r";
  const std::pair<const char*, const std::string*> entries[] = {{"/Title ", &title_},
                                                                {"/Author ", &author_},
                                                                {"/Creator ", &creator_},
                                                                {"/Producer ", &producer_},
                                                                {"/CreationDate ", &creation_date_},
                                                                {"/Subject ", &subject_},
                                                                {"/Keywords ", &keywords_}};
  for (const auto& [key, value] : entries) {
    body += key;
    AppendPdfString(pdf_internal::TextStringBytes(*value), number, &body);
    body += '\r';
  }
  body += ">>";
  WriteObject(number, body);
  return number;
}

void PdfDocument::WriteCrossReferenceAndTrailer(int catalog, int info, int encryption) {
  const uint64_t xref_offset = offset_;
  std::string table = "xref\n0 ";
  AppendInteger(&table, highest_object_ + 1);
  table += "\n0000000000 65535 f\r\n";
  table.reserve(table.size() + static_cast<size_t>(highest_object_) * 20 + 256);
  for (int n = 1; n <= highest_object_; ++n)
    AppendOffsetLine(&table, offsets_[static_cast<size_t>(n)]);
  table += "trailer\n<< /Size ";
  AppendInteger(&table, highest_object_ + 1);
  table += " /Info ";
  AppendInteger(&table, info);
  table += " 0 R /Root ";
  AppendInteger(&table, catalog);
  table += " 0 R";
  if (encryption != 0) {
    table += " /Encrypt ";
    AppendInteger(&table, encryption);
    const std::string id = HexText(file_id_);
    table += " 0 R /ID [<" + id + "><" + id + ">]";
  }
  table += " >>\nstartxref\n";
  AppendInteger(&table, static_cast<long long>(xref_offset));
  table += "\n%%EOF\n";
  Write(table);
}

}  // namespace kaveltar
