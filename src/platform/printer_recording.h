// RecordingPrinterJob: a printer that keeps every document it is given as a list of drawing
// items instead of printing it. Tests of anything that prints use it to assert what reached
// the printer (positions in twips, texts, fonts, colours, pages) and to make printing fail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/printer.h"

namespace kaveltar {

class RecordingPrinterJob : public PrinterJob {
 public:
  struct Item {
    enum class Kind { kText, kLine, kBox, kFilledBox, kPicture };
    Kind kind = Kind::kText;
    int page = 0;
    double x = 0, y = 0;    // text and picture: top-left; lines and boxes: first corner
    double x2 = 0, y2 = 0;  // lines and boxes: second corner; pictures: x + width, y + height
    uint32_t color = 0;
    std::string text;  // text: the text; picture: the file
    PrinterFont font;  // text only
  };
  struct Document {
    std::string title;
    std::string printer;
    int pages = 0;
    std::vector<Item> items;
    // The texts in drawing order.
    std::vector<std::string> Texts() const;
  };

  // A system with these printers; the current printer is the default one (or the first).
  explicit RecordingPrinterJob(std::vector<PrinterInfo> printers = {});

  Result<std::vector<PrinterInfo>> Printers() override;
  std::string DeviceName() override { return current_; }
  bool SelectPrinter(const std::string& name) override;

  // Documents printed (EndDoc) so far, oldest first.
  const std::vector<Document>& printed() const { return printed_; }
  // Number of documents thrown away (KillDoc, or a printing failure the operator skipped).
  int discarded() const { return discarded_; }
  // The open document (empty when none).
  const Document& open_document() const { return open_; }

  // The next `times` attempts to print a document fail with RunTimeError 482.
  void FailPrinting(int times) { failures_left_ = times; }
  // Makes the printer list unreadable.
  void FailListing(bool fail) { listing_fails_ = fail; }
  // Makes this printer count as fixed by the operator.
  void FixByOperator() { set_fixed_by_operator(true); }

 protected:
  void StartDocument() override;
  void StartPage(int page) override;
  void DrawText(double x, double y, std::string_view text, const PrinterFont& font) override;
  void DrawLine(double x1, double y1, double x2, double y2, uint32_t color, LineShape shape,
                int draw_width) override;
  void DrawPicture(const std::filesystem::path& picture, double x, double y, double width,
                   double height) override;
  void FinishDocument() override;
  void DiscardDocument() override;

 private:
  std::vector<PrinterInfo> printers_;
  std::string current_;
  Document open_;
  int page_ = 0;
  bool finished_ = false;
  std::vector<Document> printed_;
  int discarded_ = 0;
  int failures_left_ = 0;
  bool listing_fails_ = false;
};

}  // namespace kaveltar
