#include "platform/printer_system.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <system_error>

#include "pdf/pdf_document.h"
#include "pdf/pdf_sink.h"
#include "platform/printer_file_sink.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFilePrefix = "file:";

// The spool sequence of this process; with the time it keeps names unique and in order.
std::atomic<int> spool_sequence{0};

std::string HexColor(uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof(text), "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

// The title as a piece of a file name: path separators, control and shell-unfriendly
// characters and blanks become "_", at most 60 bytes (not cutting a UTF-8 character).
std::string FileNamePart(std::string_view title) {
  std::string part;
  for (char c : title) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool bad = u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>| '`$&;", c) != nullptr;
    part.push_back(bad ? '_' : c);
  }
  if (part.size() > 60) {
    size_t cut = 60;
    while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80) --cut;
    part.resize(cut);
  }
  while (!part.empty() && (part.back() == '_' || part.back() == '.')) part.pop_back();
  size_t first = part.find_first_not_of("_.");
  part = first == std::string::npos ? "" : part.substr(first);
  return part.empty() ? "stampa" : part;
}

std::string TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof(text), "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

Result<fs::path> SpoolFileToFolder(const fs::path& folder, std::string_view title,
                                   const fs::path& pdf) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec)
    return Status::IoError("impossibile creare la cartella " + folder.string() + ": " +
                           FileErrorText(ec.value()));
  // The finished file is linked to its final name, which fails rather than replace a file
  // another run spooled in the same second: a reader never sees half a file and no document
  // overwrites another.
  const std::string stamp = TimeStamp();
  const std::string part = FileNamePart(title);
  for (;;) {
    char sequence[16];
    std::snprintf(sequence, sizeof(sequence), "%04d", ++spool_sequence);
    const fs::path target = folder / (stamp + "-" + sequence + "-" + part + ".pdf");
    if (::link(pdf.c_str(), target.c_str()) == 0) return target;
    int error = errno;
    if (error == EEXIST) continue;
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EXDEV) {
      // No hard links here: a complete copy under a hidden name, renamed to a free name.
      if (fs::exists(target, ec)) continue;
      PublishedFileSink copy;
      if (copy.Open(target) == 0) {
        std::FILE* in = std::fopen(pdf.c_str(), "rb");
        bool ok = in != nullptr;
        char buffer[1 << 16];
        while (ok) {
          const size_t n = std::fread(buffer, 1, sizeof(buffer), in);
          if (n == 0) break;
          ok = copy.Write(std::string_view(buffer, n));
        }
        if (in != nullptr) std::fclose(in);
        if (ok && copy.Close() && copy.Publish() == 0) return target;
      }
      error = copy.error() != 0 ? copy.error() : EIO;
    }
    return Status::IoError("impossibile scrivere " + target.string() + ": " + FileErrorText(error));
  }
}

// The document being drawn: a PdfDocument writing page by page into a temporary file, in
// twips.
struct PdfPrinterJob::Rendering {
  PublishedFileSink sink;  // declared first: the document writes into it until it goes
  PdfDocument doc;
  bool finished = false;
  // The font last given to the document (it keeps it across pages).
  std::string font_key;
};

PdfPrinterJob::PdfPrinterJob(std::unique_ptr<PrintService> service, std::string printer, bool fixed,
                             fs::path fallback_folder, Dialogs* dialogs)
    : service_(std::move(service)),
      printer_(std::move(printer)),
      folder_(std::move(fallback_folder)),
      dialogs_(dialogs) {
  set_fixed_by_operator(fixed);
}

PdfPrinterJob::PdfPrinterJob(fs::path folder) : folder_(std::move(folder)) {
  set_fixed_by_operator(true);
}

PdfPrinterJob::~PdfPrinterJob() = default;

std::string PdfPrinterJob::FolderDeviceName(const fs::path& folder) const {
  return std::string(kFilePrefix) + folder.string();
}

Result<std::vector<PrinterInfo>> PdfPrinterJob::Printers() {
  if (!service_) return std::vector<PrinterInfo>{{FolderDeviceName(folder_), "cartella PDF", true}};
  return service_->ListPrinters();
}

std::string PdfPrinterJob::DeviceName() {
  if (!service_) return FolderDeviceName(folder_);
  if (!printer_.empty()) return printer_;
  Result<std::vector<PrinterInfo>> printers = service_->ListPrinters();
  if (printers.ok() && !printers->empty()) {
    for (const PrinterInfo& p : *printers) {
      if (p.is_default) return p.name;
    }
    return printers->front().name;
  }
  return FolderDeviceName(folder_);
}

bool PdfPrinterJob::SelectPrinter(const std::string& name) {
  if (!service_) return name == FolderDeviceName(folder_);
  Result<std::vector<PrinterInfo>> printers = service_->ListPrinters();
  if (!printers.ok()) return false;
  for (const PrinterInfo& p : *printers) {
    if (p.name == name) {
      printer_ = name;
      return true;
    }
  }
  return false;
}

void PdfPrinterJob::CheckPdf(const char* what) {
  const PdfDocument& doc = rendering_->doc;
  if (doc.ErrNumber() == 0) return;
  std::string reason = doc.ErrDescription() + " (" + doc.ErrSource() + ")";
  if (rendering_->sink.error() != 0) {
    reason = "file di stampa " + rendering_->sink.temp_path().parent_path().string() + ": " +
             FileErrorText(rendering_->sink.error());
  }
  throw RunTimeError(RunTimeError::kPrinterError, std::string(what) + ": " + reason);
}

void PdfPrinterJob::StartDocument() {
  rendering_ = std::make_unique<Rendering>();
  // Beside the spooled files when printing into a folder (so spooling only links the file),
  // else in the system's temporary folder.
  std::error_code ec;
  fs::path temp_folder = service_ ? fs::temp_directory_path(ec) : folder_;
  if (!service_) fs::create_directories(temp_folder, ec);
  if (temp_folder.empty()) temp_folder = "/tmp";
  if (const int error = rendering_->sink.Open(temp_folder / "stampa.pdf"); error != 0) {
    throw RunTimeError(RunTimeError::kPrinterError, "impossibile creare il file di stampa in " +
                                                        temp_folder.string() + ": " +
                                                        FileErrorText(error));
  }
  PdfDocument& doc = rendering_->doc;
  doc.SetDocProperty(title(), "", "KAVELTAR", "KAVELTAR");
  // One user unit is one twip; the margin box is the printable area, so the printer's
  // origin lies 0.3 cm from the left and 0.6 cm from the top of the sheet.
  doc.SetScale(255, 1.0 / kTwipsPerPoint);
  doc.SetPaperSize(0);
  doc.SetMargins(kUnprintableLeftCm * kTwipsPerCm, kUnprintableLeftCm * kTwipsPerCm,
                 kUnprintableTopCm * kTwipsPerCm, kUnprintableTopCm * kTwipsPerCm,
                 /*clip=*/true);
  doc.SetCompression(2, 3);
  doc.BeginDocToSink(&rendering_->sink);
  CheckPdf("inizio documento");
}

void PdfPrinterJob::StartPage(int /*page*/) {
  rendering_->doc.BeginPage();
  CheckPdf("nuova pagina");
}

void PdfPrinterJob::DrawText(double x, double y, std::string_view text, const PrinterFont& font) {
  PdfDocument& doc = rendering_->doc;
  const int style = (font.bold ? 1 : 0) | (font.italic ? 2 : 0);
  std::string key = font.name;
  key.append("|").append(std::to_string(font.size)).append("|").append(std::to_string(style));
  if (key != rendering_->font_key) {
    doc.SetFont(font.name, font.size, style);
    // A font the writer does not have is replaced by Courier New, as a printer driver
    // substitutes a font it does not know.
    if (doc.ErrNumber() != 0) doc.SetFont("Courier New", font.size, style);
    CheckPdf("carattere");
    rendering_->font_key = std::move(key);
  }
  doc.DrawText(x, y + FontAscentTwips(font), std::string(text), 1);
  CheckPdf("testo");
}

void PdfPrinterJob::DrawLine(double x1, double y1, double x2, double y2, uint32_t color,
                             LineShape shape, int draw_width) {
  PdfDocument& doc = rendering_->doc;
  // Printer dots of 1/600 inch: 1440 / 600 = 2.4 twips each.
  doc.SetLineWidth(draw_width * 2.4);
  const std::string hex = HexColor(color);
  doc.SetColorLine(hex);
  const double left = std::min(x1, x2), top = std::min(y1, y2);
  const double width = std::abs(x2 - x1), height = std::abs(y2 - y1);
  switch (shape) {
    case LineShape::kLine:
      doc.DrawLine(x1, y1, x2, y2, 0);
      break;
    case LineShape::kBox:
      doc.DrawRect(left, top, width, height, 0);
      break;
    case LineShape::kFilledBox:
      doc.SetColorFill(hex);
      doc.DrawRect(left, top, width, height, /*options=fill only*/ 5);
      break;
  }
  CheckPdf("linea");
}

void PdfPrinterJob::DrawPicture(const fs::path& picture, double x, double y, double width,
                                double height) {
  PdfDocument& doc = rendering_->doc;
  doc.DrawImage(picture.string(), x, y, width, height, /*stretch=*/1, /*transparent=*/0);
  if (doc.ErrNumber() == 0) return;
  const int number = doc.ErrNumber() == RunTimeError::kFileNotFound ? RunTimeError::kFileNotFound
                                                                    : RunTimeError::kInvalidPicture;
  throw RunTimeError(number, picture.string() + " (" + doc.ErrDescription() + ")");
}

void PdfPrinterJob::FinishDocument() {
  if (!rendering_->finished) {
    rendering_->doc.EndDoc();
    CheckPdf("chiusura documento");
    rendering_->finished = true;
  }
  Deliver(rendering_->sink.temp_path());
}

void PdfPrinterJob::Deliver(const fs::path& pdf) {
  auto fail = [&](const std::string& reason) {
    throw RunTimeError(RunTimeError::kPrinterError, reason);
  };
  std::string printer = printer_;
  if (service_ && printer.empty()) {
    Result<std::vector<PrinterInfo>> printers = service_->ListPrinters();
    if (printers.ok() && !printers->empty()) {
      printer = printers->front().name;
      for (const PrinterInfo& p : *printers) {
        if (p.is_default) printer = p.name;
      }
    }
  }
  if (service_ && !printer.empty()) {
    Result<std::string> job = service_->Submit(printer, title(), pdf);
    if (!job.ok()) fail(job.status().message());
    set_last_destination(*job);
    return;
  }
  Result<fs::path> file = SpoolFileToFolder(folder_, title(), pdf);
  if (!file.ok()) fail(file.status().message());
  set_last_destination(file->string());
  if (service_ && dialogs_ != nullptr) {
    dialogs_->Show("Nessuna stampante disponibile: la stampa \"" + title() +
                       "\" è stata salvata nel file " + file->string(),
                   "Stampa", MessageIcon::kInformation);
  }
}

void PdfPrinterJob::DiscardDocument() { rendering_.reset(); }

std::string PrinterChoice(const std::string& command_line) {
  if (!command_line.empty()) return command_line;
  const char* env = std::getenv("KAVELTAR_PRINTER");
  return env != nullptr ? env : "";
}

Result<std::unique_ptr<PrinterJob>> OpenSystemPrinter(const PrinterSetup& setup, Dialogs* dialogs,
                                                      std::unique_ptr<PrintService> service) {
  const std::string& choice = setup.choice;
  if (choice.compare(0, kFilePrefix.size(), kFilePrefix) == 0) {
    const std::string folder = choice.substr(kFilePrefix.size());
    if (folder.empty()) {
      return Status::Invalid(
          "Indicare la cartella delle stampe dopo \"file:\" (es. file:/tmp/stampe)");
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    fs::create_directories(absolute, ec);
    if (ec || !fs::is_directory(absolute)) {
      return Status::IoError("Impossibile usare la cartella delle stampe " + folder +
                             (ec ? ": " + ec.message() : ""));
    }
    return std::unique_ptr<PrinterJob>(
        std::make_unique<PdfPrinterJob>(absolute.lexically_normal()));
  }
  if (!choice.empty()) {
    Result<std::vector<PrinterInfo>> printers = service->ListPrinters();
    if (!printers.ok()) {
      return Status::NotFound("Stampante " + choice +
                              " non disponibile: " + printers.status().message());
    }
    std::string names;
    for (const PrinterInfo& p : *printers) {
      if (p.name == choice) {
        return std::unique_ptr<PrinterJob>(std::make_unique<PdfPrinterJob>(
            std::move(service), choice, /*fixed=*/true, setup.fallback_folder, dialogs));
      }
      names.append(names.empty() ? "" : ", ").append(p.name);
    }
    return Status::NotFound("Stampante " + choice + " non trovata (stampanti disponibili: " +
                            (names.empty() ? "nessuna" : names) + ")");
  }
  return std::unique_ptr<PrinterJob>(std::make_unique<PdfPrinterJob>(
      std::move(service), "", /*fixed=*/false, setup.fallback_folder, dialogs));
}

}  // namespace kaveltar
