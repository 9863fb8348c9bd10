// The selection lists of the screens on a small hand-made installation: employee lines in
// both orders, the employment filter of the memorization screen, earlier years and
// the memorization selection.
#include <gtest/gtest.h>

#include "mini_installation.h"

namespace kaveltar {
namespace {

class ListsTest : public testing::MiniInstallationTest {
 protected:
  SelectionLists& lists() { return session_->lists(); }
};

TEST_F(ListsTest, EmployeeLinesOfEveryScreenAndOrder) {
  Start();
  // Verdi has P768 = 1 and is never listed; Bianchi ended 15/06/2025 <= 30/06/2025.
  auto mem = lists().EmployeeList(Screen::kMemorize, kOrderByName, 2025, "001");
  ASSERT_EQ(mem.size(), 2u);
  EXPECT_EQ(mem[0].line, PadRight("001 001 0001 Rossi Mario", 80) + "0010010001");
  EXPECT_EQ(lists().EmployeeList(Screen::kUpdate, kOrderByName, 2025, "001")[0].line,
            PadRight("Bianchi Anna", 78) + " 001 001 0002" + std::string(10, ' ') + "0010010002");
}

// A name that ends like a code (digits after a blank) leaves the entry's code and name alone.
TEST_F(ListsTest, NamesEndingInDigitsKeepTheEntryCode) {
  inst_.current[3].name = "0010010001";
  Start();
  auto neri = lists().EmployeeList(Screen::kPrint, kOrderByName, 2025, "007");
  ASSERT_EQ(neri.size(), 1u);
  EXPECT_EQ(neri[0].code, "0070010004");
  EXPECT_EQ(neri[0].name, "Neri 0010010001");
  EXPECT_EQ(neri[0].line, PadRight("Neri 0010010001", 40) + " 007 001 0004" + std::string(80, ' ') +
                              "0070010004");
}

TEST_F(ListsTest, EndedEmploymentIsHiddenAfterTheProcessingDateOnlyWhenMemorizing) {
  Start("31052025");
  auto mem = lists().EmployeeList(Screen::kMemorize, kOrderByCode, 2025, "001");
  ASSERT_EQ(mem.size(), 1u);
  EXPECT_EQ(mem[0].code, "0010010001");
  EXPECT_EQ(lists().EmployeeList(Screen::kPrint, kOrderByCode, 2025, "001").size(), 2u);
}

TEST_F(ListsTest, EarlierYearsReadTheirOwnArchives) {
  Start();
  EXPECT_EQ(lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2024, "001").size(), 1u);
  EXPECT_TRUE(lists().LoadEmployee(2024, "0010010001"));
  EXPECT_FALSE(lists().LoadEmployee(2024, "0010010002"));
  EXPECT_EQ(session_->codec().GetField(fields::kP002).substr(0, 5), "Rossi");
  // Two years back the index is empty: no employees.
  EXPECT_TRUE(lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2023, "001").empty());
}

TEST_F(ListsTest, MissingExtractionIsReported) {
  inst_.previous.clear();
  Start();
  lists().CARICAESTRAZIONE(1);
  EXPECT_TRUE(lists().extraction().empty());
  ASSERT_FALSE(dialogs_.entries().empty());
  EXPECT_EQ(dialogs_.entries().back().text, "Attenzione: Non esiste estrazione anno precedente");
}

TEST(MemorizeSelection, AddsOnceRemovesAndClearsOnYes) {
  MemorizeSelection sel;
  const ListEntry bianchi{"0010010002", "Bianchi", "001 001 0002 Bianchi"};
  EXPECT_EQ(sel.Add({"0010010001", "Rossi", "001 001 0001 Rossi"}), 0u);
  EXPECT_EQ(sel.Add(bianchi), 1u);
  EXPECT_EQ(sel.Add({"0010010001", "Rossi Mario", "001 001 0001 Rossi Mario changed"}), 0u);
  sel.Remove(0);
  ASSERT_EQ(sel.entries(), std::vector<ListEntry>{bianchi});
  RecordingDialogs dialogs;
  dialogs.QueueAnswers({false, true});
  sel.AskAndClear(dialogs);
  EXPECT_EQ(sel.entries().size(), 1u);
  sel.AskAndClear(dialogs);
  EXPECT_TRUE(sel.entries().empty());
  EXPECT_EQ(dialogs.entries()[0].text,
            "Attenzione viene elimanta la lista dei dipendenti da elaborare");
}

}  // namespace
}  // namespace kaveltar
