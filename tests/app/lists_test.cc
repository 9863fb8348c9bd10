// The selection lists of the four screens on a small hand-made installation: company and
// employee lines in both orders, the employment filter of the memorization screen, earlier
// years, the memorization selection and the year buttons' bounds.
#include <gtest/gtest.h>

#include "mini_installation.h"

namespace kaveltar {
namespace {

class ListsTest : public testing::MiniInstallationTest {
 protected:
  SelectionLists& lists() { return session_->lists(); }
};

TEST_F(ListsTest, CompanyLinesInBothOrders) {
  Start();
  auto by_code = lists().LISTA_AZIENDE(Screen::kMemorize, kOrderByCode);
  ASSERT_EQ(by_code.size(), 2u);
  EXPECT_EQ(by_code[0].line,
            "001 " + PadRight("Caff\xE8 CentraleX", 60) + std::string(30, ' ') + "001");
  EXPECT_EQ(by_code[1].line.substr(0, 8), "007 Acme");
  EXPECT_EQ(lists().LISTA_AZIENDE(Screen::kLoad, kOrderByCode)[0].line.size(),
            3 + 1 + 60 + 60 + 3u);
  // By name: the name column first, so the lines sort by name.
  for (auto [screen, width] : {std::pair{Screen::kMemorize, 60},
                               {Screen::kUpdate, 88},
                               {Screen::kLoad, 83},
                               {Screen::kPrint, 50}}) {
    auto by_name = lists().LISTA_AZIENDE(screen, kOrderByName);
    ASSERT_EQ(by_name.size(), 2u);
    EXPECT_EQ(by_name[0].line, PadRight("AcmeX", width) + " 007" + std::string(30, ' ') + "007");
    EXPECT_EQ(by_name[1].code, "001");
  }
}

TEST_F(ListsTest, EmployeeLinesOfEveryScreenAndOrder) {
  Start();
  // Verdi has P768 = 1 and is never listed; Bianchi ended 15/06/2025 <= 30/06/2025.
  auto mem = lists().EmployeeList(Screen::kMemorize, kOrderByName, 2025, "001");
  ASSERT_EQ(mem.size(), 2u);
  EXPECT_EQ(mem[0].line, PadRight("001 001 0001 Rossi Mario", 80) + "0010010001");
  EXPECT_EQ(mem[1].line.substr(0, 26), "001 001 0002 Bianchi Anna ");
  EXPECT_EQ(lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2025, "001")[0].line.size(), 110u);
  EXPECT_EQ(lists().EmployeeList(Screen::kUpdate, kOrderByName, 2025, "001")[0].line,
            PadRight("Bianchi Anna", 78) + " 001 001 0002" + std::string(10, ' ') + "0010010002");
  EXPECT_EQ(lists().EmployeeList(Screen::kPrint, kOrderByName, 2025, "001")[1].line,
            PadRight("Rossi Mario", 40) + " 001 001 0001" + std::string(80, ' ') + "0010010001");
  auto other = lists().EmployeeList(Screen::kPrint, kOrderByCode, 2025, "007");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0].code, "0070010004");
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
  EXPECT_TRUE(lists().LoadEmployee(2025, "0070010004"));
  EXPECT_EQ(session_->codec().GetField(fields::kP002).substr(0, 4), "Neri");
  // Two years back, and before any archive, the index is empty: no employees.
  EXPECT_TRUE(lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2023, "001").empty());
  EXPECT_TRUE(lists().EmployeeList(Screen::kUpdate, kOrderByCode, 2019, "001").empty());
}

TEST_F(ListsTest, MissingExtractionIsReported) {
  inst_.previous.clear();
  Start();
  lists().CARICAESTRAZIONE(1);
  EXPECT_TRUE(lists().extraction().empty());
  ASSERT_FALSE(dialogs_.entries().empty());
  EXPECT_EQ(dialogs_.entries().back().text, "Attenzione: Non esiste estrazione anno precedente");
  EXPECT_EQ(dialogs_.entries().back().icon, MessageIcon::kCritical);
}

TEST(MemorizeSelection, AddsOnceRemovesAndClearsOnYes) {
  MemorizeSelection sel;
  const ListEntry bianchi{"0010010002", "Bianchi", "001 001 0002 Bianchi"};
  EXPECT_EQ(sel.Add({"0010010001", "Rossi", "001 001 0001 Rossi"}), 0u);
  EXPECT_EQ(sel.Add(bianchi), 1u);
  EXPECT_EQ(sel.Add({"0010010001", "Rossi Mario", "001 001 0001 Rossi Mario changed"}), 0u);
  sel.Remove(0);
  sel.Remove(7);
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

TEST(YearNavigator, StopsAtTheProcessingYearAnd2008) {
  RecordingDialogs dialogs;
  YearNavigator nav(2024);
  EXPECT_FALSE(nav.Forward(dialogs));
  int steps = 0;
  while (nav.Back(dialogs)) ++steps;
  EXPECT_EQ(steps, 16);
  EXPECT_EQ(nav.shown(), 2008);
  EXPECT_EQ(dialogs.entries().back().text, "Non è possibile andare indietro oltre l'anno 2008");
  EXPECT_TRUE(nav.Forward(dialogs));
  EXPECT_EQ(nav.distance(), 15);
}

}  // namespace
}  // namespace kaveltar
