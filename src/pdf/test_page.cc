#include "pdf/test_page.h"

namespace kaveltar {

namespace {

using Kind = TestPageItem::Kind;

// The sample month: January 2026, which starts on a Thursday; 1 and 6 are holidays.
constexpr const char* kWeekdays[] = {"LUN", "MAR", "MER", "GIO", "VEN", "SAB", "DOM"};
constexpr int kFirstWeekday = 3;
constexpr const char* kCodes[] = {"PE", "FE", "MA", "ST", "RO", "CS", "AS", "PR"};
constexpr const char* kNotes[] = {"turno A", "turno B",    "trasferta", "formazione",
                                  "sede",    "reperibile", "smart w."};

// Columns: width in centimetres, heading on two lines.
struct Column {
  double width;
  const char* title;
  const char* unit;
};
constexpr Column kColumns[16] = {
    {0.8, "GG", ""},        {1.0, "GIORNO", ""}, {1.1, "ORARIO", ""}, {1.2, "ORE", "TEOR."},
    {1.2, "ORE", "LAVOR."}, {0.9, "GIU", "1"},   {1.1, "ORE", "1"},   {0.9, "GIU", "2"},
    {1.1, "ORE", "2"},      {0.9, "GIU", "3"},   {1.1, "ORE", "3"},   {0.9, "GIU", "4"},
    {1.1, "ORE", "4"},      {0.9, "GIU", "5"},   {1.1, "ORE", "5"},   {3.7, "NOTE", ""}};

constexpr double kLeft = 1.0;
constexpr double kTableTop = 4.0;
constexpr double kHeadingHeight = 0.9;
constexpr double kRowHeight = 0.7;

std::string TwoDigits(int n) {
  n %= 100;
  return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// "HH:MM" (hours below 100), made in one piece: a page has some two hundred of them.
std::string Hours(int minutes) {
  const int h = minutes / 60 % 100;
  const int m = minutes % 60;
  return {static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
          static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)};
}

void Text(std::vector<TestPageItem>* items, double x, double y, std::string text, double size = 7,
          bool bold = false) {
  TestPageItem item;
  item.kind = Kind::kText;
  item.x = x;
  item.y = y;
  item.text = std::move(text);
  item.font_size = size;
  item.bold = bold;
  items->push_back(std::move(item));
}

void Box(std::vector<TestPageItem>* items, double x, double y, double w, double h,
         double line_width = 0, const char* grey = nullptr) {
  TestPageItem item;
  item.kind = grey != nullptr ? Kind::kShadedBox : Kind::kBox;
  item.x = x;
  item.y = y;
  item.width = w;
  item.height = h;
  item.line_width = line_width;
  if (grey != nullptr) item.grey = grey;
  items->push_back(std::move(item));
}

// The row of `day`: grey on holidays and rest days, then its sixteen cells; adds the day's
// minutes into the totals.
void DayRow(std::vector<TestPageItem>* items, int page_number, int day, int* theoretical_total,
            int* worked_total) {
  const double top = kTableTop + kHeadingHeight + (day - 1) * kRowHeight;
  const int weekday = (kFirstWeekday + day - 1) % 7;
  const bool holiday = day == 1 || day == 6;
  const bool rest = holiday || weekday >= 5;
  if (holiday || weekday == 6) Box(items, kLeft, top, 19.0, kRowHeight, 0, "%15");
  if (!holiday && weekday == 5) Box(items, kLeft, top, 19.0, kRowHeight, 0, "%5");

  const int seed = day * 7 + page_number * 13;
  const int theoretical = rest ? 0 : 480;
  const int worked = rest ? 0 : 420 + (seed % 5) * 15;
  *theoretical_total += theoretical;
  *worked_total += worked;
  std::string cells[16];
  cells[0] = TwoDigits(day);
  cells[1] = kWeekdays[weekday];
  cells[2] = holiday ? "FEST" : rest ? "RIP" : "A0" + std::to_string(1 + seed % 3);
  cells[3] = theoretical ? Hours(theoretical) : "";
  cells[4] = worked ? Hours(worked) : "";
  for (int slot = 0; slot < 5; ++slot) {
    const int pick = (seed + slot * 3) % 8;
    cells[5 + slot * 2] = holiday && slot == 0 ? "FE" : kCodes[pick];
    cells[6 + slot * 2] = Hours(15 * (1 + (seed + slot) % 16));
  }
  cells[15] = kNotes[(seed / 3) % 7];

  double x = kLeft;
  for (int c = 0; c < 16; ++c) {
    Box(items, x, top, kColumns[c].width, kRowHeight);
    if (!cells[c].empty()) Text(items, x + 0.08, top + 0.48, cells[c]);
    x += kColumns[c].width;
  }
}

}  // namespace

std::vector<TestPageItem> TestPageItems(int page_number) {
  std::vector<TestPageItem> items;
  items.reserve(1200);

  // Frame, titles and the header block.
  Box(&items, 0.8, 0.8, 19.4, 28.0, 0.03);
  Text(&items, 1.2, 1.5, "LIBRO UNICO DEL LAVORO - CALENDARIO PRESENZE", 12, true);
  Text(&items, 16.2, 1.5, "PAGINA DI PROVA", 8, true);
  Box(&items, kLeft, 2.0, 19.0, 1.8);
  Text(&items, 1.2, 2.5, "Ditta: 001 ESEMPIO S.R.L.", 8);
  Text(&items, 10.5, 2.5, "Sede: Via Roma 1, Città di Castello", 8);
  Text(&items, 1.2, 3.0, "Dipendente: 0001 ROSSI MARIO", 8);
  Text(&items, 10.5, 3.0, "Qualifica: impiegato 3° livello", 8);
  Text(&items, 1.2, 3.5, "Periodo: gennaio 2026", 8);
  Text(&items, 10.5, 3.5, "Foglio n. " + std::to_string(page_number), 8);
  Text(&items, 15.0, 3.5, "Festività: 01, 06", 8);

  // Column headings on a grey band.
  Box(&items, kLeft, kTableTop, 19.0, kHeadingHeight, 0, "%15");
  double x = kLeft;
  for (const Column& column : kColumns) {
    Box(&items, x, kTableTop, column.width, kHeadingHeight);
    Text(&items, x + 0.08, kTableTop + 0.37, column.title, 6, true);
    if (column.unit[0] != '\0') Text(&items, x + 0.08, kTableTop + 0.72, column.unit, 6, true);
    x += column.width;
  }

  // One row per day.
  int worked_total = 0;
  int theoretical_total = 0;
  for (int day = 1; day <= 31; ++day)
    DayRow(&items, page_number, day, &theoretical_total, &worked_total);

  // Totals.
  const double totals_top = kTableTop + kHeadingHeight + 31 * kRowHeight;
  x = kLeft;
  for (int c = 0; c < 16; ++c) {
    Box(&items, x, totals_top, kColumns[c].width, kRowHeight, 0.02);
    std::string text;
    if (c == 0) text = "TOT";
    if (c == 3) text = Hours(theoretical_total);
    if (c == 4) text = Hours(worked_total);
    if (c >= 5 && c < 15) text = c % 2 == 1 ? kCodes[c % 8] : Hours(60 * (c + page_number % 7));
    if (c == 15) text = "mese chiuso";
    if (!text.empty()) Text(&items, x + 0.08, totals_top + 0.48, text, 7, true);
    x += kColumns[c].width;
  }

  // Signatures and the page's origin.
  Text(&items, 1.2, 27.9, "Firma del datore di lavoro ____________________", 8);
  Text(&items, 11.2, 27.9, "Firma del lavoratore ____________________", 8);
  Text(&items, 1.2, 28.5,
       "Pagina di prova generata da KAVELTAR - foglio " + std::to_string(page_number) +
           " - controllo stampante e visualizzatore PDF",
       6);
  return items;
}

void DrawTestPage(PdfDocument& doc, int page_number) {
  double font_size = -1;
  bool bold = false;
  for (const TestPageItem& item : TestPageItems(page_number)) {
    doc.SetScale(3, 1);
    switch (item.kind) {
      case Kind::kText:
        if (item.font_size != font_size || item.bold != bold) {
          font_size = item.font_size;
          bold = item.bold;
          doc.SetFont("Courier New", font_size, bold ? 1 : 0);
        }
        doc.DrawText(item.x, item.y, item.text, 1);
        break;
      case Kind::kBox:
        doc.SetLineWidth(item.line_width > 0 ? item.line_width : 0.01);
        doc.DrawRect(item.x, item.y, item.width, item.height, 0, 0, 15);
        break;
      case Kind::kShadedBox:
        doc.SetLineWidth(item.line_width > 0 ? item.line_width : 0.01);
        doc.SetColorFill(item.grey);
        doc.DrawRect(item.x, item.y, item.width, item.height, 4, 0, 15);
        break;
    }
  }
}

bool ParseTestPageCompression(std::string_view text, TestPageCompression* compression) {
  if (text == "none") {
    *compression = TestPageCompression::kNone;
  } else if (text == "lzw") {
    *compression = TestPageCompression::kLzw;
  } else if (text == "flate") {
    *compression = TestPageCompression::kFlate;
  } else {
    return false;
  }
  return true;
}

int WriteTestPagePdf(const TestPageOptions& options, std::string* error) {
  auto failed = [&](const std::string& reason) {
    if (error != nullptr) *error = reason;
    return 1;
  };
  if (options.output_path.empty()) return failed("manca il nome del file PDF");
  if (options.pages < 1 || options.pages > 100000) {
    return failed("numero di pagine non valido (da 1 a 100000)");
  }
  if (options.key_bits != 40 && options.key_bits != 128) {
    return failed("lunghezza della chiave non valida (40 o 128)");
  }

  PdfDocument doc;
  doc.SetDocProperty("PDF pagina di prova", "", "KAVELTAR", "kaveltar-cli test-page");
  doc.SetScale(3, 1);
  doc.SetPaperSize(0, 0, 0);
  doc.SetMargins(0, 0, 0, 0, true);
  doc.SetPageView(0);
  doc.SetViewerPreferences(768);
  if (options.compression == TestPageCompression::kLzw) doc.SetCompression(4, 3);
  if (options.compression == TestPageCompression::kFlate) doc.SetCompression(2, 3);
  if (!options.user_password.empty() || !options.owner_password.empty()) {
    doc.SetProtection(20, options.owner_password, options.user_password, options.key_bits);
  }
  auto pdf_error = [&] {
    return failed(options.output_path + ": " + doc.ErrDescription() + " (" + doc.ErrSource() + ")");
  };
  doc.BeginDoc(options.output_path);
  if (doc.ErrNumber() != 0) return pdf_error();
  if (options.all_features) {
    doc.SetViewerPreferences(768 | 2);  // the outline is shown on opening
    DrawFeaturePages(doc);
  }
  for (int page = 1; page <= options.pages; ++page) {
    doc.BeginPage();
    if (doc.ErrNumber() != 0) return pdf_error();
    if (options.all_features && page == 1) {
      doc.SetLabel(0, "Foglio ", 1);
      doc.AddBookmark("Foglio presenze di esempio");
    }
    DrawTestPage(doc, page);
  }
  doc.EndDoc();
  if (doc.ErrNumber() != 0) return pdf_error();
  return 0;
}

}  // namespace kaveltar
