#include "platform/printer_recording.h"

#include <fstream>

namespace kaveltar {

std::vector<std::string> RecordingPrinterJob::Document::Texts() const {
  std::vector<std::string> texts;
  for (const Item& item : items) {
    if (item.kind == Item::Kind::kText) texts.push_back(item.text);
  }
  return texts;
}

RecordingPrinterJob::RecordingPrinterJob(std::vector<PrinterInfo> printers)
    : printers_(std::move(printers)) {
  for (const PrinterInfo& p : printers_) {
    if (p.is_default) current_ = p.name;
  }
  if (current_.empty() && !printers_.empty()) current_ = printers_.front().name;
}

Result<std::vector<PrinterInfo>> RecordingPrinterJob::Printers() {
  if (listing_fails_) return Status::IoError("elenco delle stampanti non disponibile");
  return printers_;
}

bool RecordingPrinterJob::SelectPrinter(const std::string& name) {
  for (const PrinterInfo& p : printers_) {
    if (p.name == name) {
      current_ = name;
      return true;
    }
  }
  return false;
}

void RecordingPrinterJob::StartDocument() {
  open_ = Document();
  open_.title = title();
  open_.printer = current_;
  page_ = 0;
  finished_ = false;
}

void RecordingPrinterJob::StartPage(int page) {
  page_ = page;
  open_.pages = page;
}

void RecordingPrinterJob::DrawText(double x, double y, std::string_view text,
                                   const PrinterFont& font) {
  Item item;
  item.kind = Item::Kind::kText;
  item.page = page_;
  item.x = x;
  item.y = y;
  item.text = std::string(text);
  item.font = font;
  open_.items.push_back(std::move(item));
}

void RecordingPrinterJob::DrawLine(double x1, double y1, double x2, double y2, uint32_t color,
                                   LineShape shape, int /*draw_width*/) {
  Item item;
  item.kind = shape == LineShape::kLine  ? Item::Kind::kLine
              : shape == LineShape::kBox ? Item::Kind::kBox
                                         : Item::Kind::kFilledBox;
  item.page = page_;
  item.x = x1;
  item.y = y1;
  item.x2 = x2;
  item.y2 = y2;
  item.color = color;
  open_.items.push_back(std::move(item));
}

void RecordingPrinterJob::DrawPicture(const std::filesystem::path& picture, double x, double y,
                                      double width, double height) {
  // Like a real printer, only a picture that can be read gets painted.
  std::ifstream in(picture, std::ios::binary);
  if (!in.is_open()) {
    throw RunTimeError(RunTimeError::kFileNotFound, "File not found: " + picture.string());
  }
  if (in.peek() == std::ifstream::traits_type::eof()) {
    throw RunTimeError(kInvalidPicture, "Invalid picture: " + picture.string());
  }
  Item item;
  item.kind = Item::Kind::kPicture;
  item.page = page_;
  item.x = x;
  item.y = y;
  item.x2 = x + width;
  item.y2 = y + height;
  item.text = picture.string();
  open_.items.push_back(std::move(item));
}

void RecordingPrinterJob::FinishDocument() {
  if (failures_left_ > 0) {
    --failures_left_;
    throw RunTimeError(RunTimeError::kPrinterError, "errore della stampante: " + current_ + " non risponde");
  }
  printed_.push_back(open_);
  finished_ = true;
  set_last_destination(current_);
}

void RecordingPrinterJob::DiscardDocument() {
  if (!finished_) ++discarded_;
  open_ = Document();
  finished_ = false;
}

}  // namespace kaveltar
