#include "reports/print_test_page.h"

#include <string>

#include "pdf/test_page.h"

namespace kaveltar {

namespace {

// The shade of the table whose PDF tone is `grey` ("%15" -> "Silver15").
std::string_view ShadeForGrey(std::string_view grey) {
  for (std::string_view name :
       {"Silver2", "Silver5", "Silver10", "Silver15", "Gray", "DarkGray", "Black"}) {
    if (FindShade(name)->pdf_fill == grey) return name;
  }
  return "Silver15";
}

}  // namespace

void PrintTestPages(ReportTarget& target, int pages) {
  target.SetPdfOutput(false);
  PrinterJob& printer = target.printer();
  printer.set_title("Pagina di prova KAVELTAR");
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) printer.NewPage();
    for (const TestPageItem& item : TestPageItems(page)) {
      switch (item.kind) {
        case TestPageItem::Kind::kText: {
          PrinterFont font;
          font.size = item.font_size;
          font.bold = item.bold;
          printer.SetFont(font);
          // The sample gives baselines; the printer places the top of the line.
          PrintText(target, item.y - FontAscentTwips(font) / kTwipsPerCm, item.x, item.text, true);
          break;
        }
        case TestPageItem::Kind::kBox:
          PrintBox(target, item.y, item.x, item.height, item.width, item.line_width);
          break;
        case TestPageItem::Kind::kShadedBox:
          PrintShadedBox(target, item.y, item.x, item.height, item.width, ShadeForGrey(item.grey),
                         item.line_width);
          break;
      }
    }
  }
  printer.EndDoc();
}

}  // namespace kaveltar
