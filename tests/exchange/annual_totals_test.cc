// Annual totals of a justification code: days counted once per day, per month and year, the
// company and year chosen, and the printed box.
#include "exchange/annual_totals.h"

#include "exchange/exchange_fixture.h"

namespace kaveltar::testing {
namespace {

TEST_F(ExchangeTest, CountsDaysOncePerMonthOfTheChosenYearAndCompany) {
  Session& session = PrintingSession();
  const std::string key = Key(DemoCase::kGroup);
  const std::string company = key.substr(0, 3);
  const std::string other_company =
      report_.company_codes[0] == company ? report_.company_codes[1] : report_.company_codes[0];
  // The same code twice on one day (slots 1 and 7) counts once; a part-day code counts whole.
  StoreDay(key, "20140303", {{"001", "08:00"}});
  StoreDay(key, "20140304", {{"001", "04:00"}, {"030", "01:00"}});
  StoreDay(key, "20140306", {{"001", "08:00"}}, 7);
  StoreDay(key, "20140307", {{"001", "04:00"}, {"002", "04:00"}, {"001", "01:00"}});
  StoreDay(key, "20141231", {{"001", "08:00"}});
  // Previous year, and another company: not counted for 2014 / this company.
  StoreDay(key, "20130115", {{"001", "08:00"}});
  StoreDay(other_company + key.substr(3), "20140303", {{"001", "08:00"}});

  const std::string item = company + " SOMETHING";
  AnnualTotals current =
      ComputeAnnualTotals(session.db(), item, "001 FERIE", TotalsYear(2014, false));
  EXPECT_EQ(current.months[2], 4);
  EXPECT_EQ(current.total, 5);

  AnnualTotals previous =
      ComputeAnnualTotals(session.db(), item, "001 FERIE", TotalsYear(2014, true));
  EXPECT_EQ(previous.months[0], 1);
  EXPECT_EQ(previous.total, 1);
}

TEST_F(ExchangeTest, PrintedBoxLinesAreOfOneWidth) {
  Session& session = PrintingSession();
  AnnualTotals totals;
  totals.months = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  totals.total = 78;
  PrintAnnualTotals(session.printer(), "008 CONGEDO PATERNITÀ OBBLIGATORIO", "001 DITTA", true,
                    totals);
  ASSERT_EQ(printer_->printed().size(), 1u);
  const std::vector<std::string> texts = printer_->printed()[0].Texts();
  ASSERT_EQ(texts.size(), 31u);
  EXPECT_EQ(texts[29].substr(80), "      78 |");
  // Every line has the same width in characters, accented letters included.
  for (const std::string& text : texts) {
    size_t characters = 0;
    for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
    EXPECT_EQ(characters, 90u) << text;
  }
}

}  // namespace
}  // namespace kaveltar::testing
