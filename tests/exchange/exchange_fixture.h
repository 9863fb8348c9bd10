// What the exchange tests share: the memorization tests' demo installation (processing year
// 2014, March, three companies), a session whose printer records documents, and helpers to
// store day rows directly.
#pragma once

#include <memory>
#include <string>

#include "memorize/memorize_fixture.h"
#include "platform/printer_recording.h"

namespace kaveltar::testing {

class ExchangeTest : public MemorizeTest {
 protected:
  // The session of the test with a recording printer, started on first use.
  Session& PrintingSession() {
    if (!session_) {
      session_ = std::make_unique<Session>(dialogs_);
      auto printer = std::make_unique<RecordingPrinterJob>();
      printer_ = printer.get();
      session_->AttachPrinter(std::move(printer));
      Startup(*session_, Paths());
    }
    return *session_;
  }

  // Stores one day of `key` with the given slot codes and hours (slot 1 first).
  void StoreDay(const std::string& key, const std::string& day,
                std::initializer_list<std::pair<const char*, const char*>> slots, int first_slot = 1) {
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

  RecordingPrinterJob* printer_ = nullptr;
};

}  // namespace kaveltar::testing
