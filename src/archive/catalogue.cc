#include "archive/catalogue.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/text.h"

namespace kaveltar {
namespace {

constexpr size_t kTemplateOffset = 3;
constexpr size_t kTemplateWidth = 29;
constexpr size_t kLengthOffset = 32;
constexpr size_t kLengthWidth = 5;

// The raw bytes of a bad field, quoted with anything unprintable shown as "?".
std::string Printable(std::string_view raw) {
  std::string out;
  for (char c : raw) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (u >= 0x20 && u < 0x7F) ? c : '?';
  }
  return out;
}

}  // namespace

Result<BaseFileTable> BaseFileTable::Parse(std::string_view bytes) {
  BaseFileTable table;
  const size_t records =
      std::min(bytes.size() / kCatalogueRecordLength, static_cast<size_t>(kMaxBaseNumber));
  table.entries_.reserve(records);
  for (size_t i = 0; i < records; ++i) {
    const std::string_view record =
        bytes.substr(i * kCatalogueRecordLength, kCatalogueRecordLength);
    CatalogueEntry entry;
    entry.name_template = std::string(TrimRight(record.substr(kTemplateOffset, kTemplateWidth)));
    // A length of blanks is 0: the base has no records (a text file, or no file at all).
    const std::string_view raw_length = record.substr(kLengthOffset, kLengthWidth);
    const std::string_view length = Trim(raw_length);
    if (!length.empty()) {
      if (!IsDigits(length)) {
        return Status::Corrupt("QXBASE.DAT: base " + std::to_string(i + 1) + ": record length \"" +
                               Printable(raw_length) + "\" is not a number");
      }
      int value = 0;
      for (char c : length) value = value * 10 + (c - '0');
      entry.record_length = value;
    }
    table.entries_.push_back(std::move(entry));
  }
  return table;
}

Result<BaseFileTable> BaseFileTable::Load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Status::NotFound("cannot open " + file.string());
  // The catalogue never needs more than 600 records; a larger file is read only that far.
  std::string bytes(kCatalogueRecordLength * kMaxBaseNumber, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return Status::IoError("cannot read " + file.string());
  bytes.resize(static_cast<size_t>(in.gcount()));
  return Parse(bytes);
}

const CatalogueEntry* BaseFileTable::Find(int base) const {
  if (base < 1 || base > size()) return nullptr;
  return &entries_[static_cast<size_t>(base - 1)];
}

std::string FormatCatalogueRecord(std::string_view name_template, int record_length) {
  if (name_template.size() > kTemplateWidth) {
    throw std::invalid_argument("catalogue template longer than 29 characters: " +
                                std::string(name_template));
  }
  if (record_length < 0 || record_length > 99999) {
    throw std::invalid_argument("catalogue record length out of range: " +
                                std::to_string(record_length));
  }
  std::string record(kCatalogueRecordLength, ' ');
  record.replace(kTemplateOffset, name_template.size(), name_template);
  const std::string length = PadLeft(std::to_string(record_length), kLengthWidth);
  record.replace(kLengthOffset, kLengthWidth, length);
  return record;
}

}  // namespace kaveltar
