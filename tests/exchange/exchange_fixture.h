// What the exchange tests share: the memorization tests' demo installation (processing year
// 2014, March, three companies), a session whose printer records documents, and helpers to
// write import records and store day rows directly.
#pragma once

#include <memory>
#include <string>

#include "exchange/import_file.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {

// A record of the import layout: key, day, worked hours and pairs, padded to its length, with
// the line end.
inline std::string ImportRecord(
    std::string_view key, std::string_view day, std::string_view worked,
    std::initializer_list<std::pair<std::string_view, std::string_view>> pairs = {},
    std::string_view end = "\r\n") {
  std::string r = PadRight(key, 10) + PadRight(day, 8) + PadRight(worked, 5);
  for (const auto& [code, hours] : pairs) r += PadRight(code, 10) + PadRight(hours, 5);
  return PadRight(r, kImportRecordLength) + std::string(end);
}

class ExchangeTest : public MemorizeTest {
 protected:
  // Stores one day of `key` with the given slot codes and hours (slot 1 first).
  void StoreDay(const std::string& key, const std::string& day,
                std::initializer_list<std::pair<const char*, const char*>> slots,
                int first_slot = 1) {
    DayRow row;
    row.employee = key;
    row.period = day;
    row.pres[1] = "001";
    row.pres[2] = "08:00";
    int slot = first_slot;
    for (const auto& [code, hours] : slots) {
      row.SlotCode(slot) = code;
      row.SlotHours(slot) = hours;
      ++slot;
    }
    ASSERT_TRUE(PrintingSession().db().SaveDay(row).ok());
  }
};

}  // namespace kaveltar::testing
