// The holiday test shared by memorization, the grid and the sheets, and the holiday panel:
// code entry and padding, the duplicate refusal, the fixed national holidays, the
// confirmation and the save question on cancel.
#include "tables/holidays.h"

#include <gtest/gtest.h>

#include "tables/holiday_form.h"
#include "tables_fixture.h"

namespace kaveltar {
namespace {

using testing::TablesTest;

TEST(HolidayCalendarTest, TableRowsUnificationDayAndPatronSaints) {
  const HolidayCalendar calendar({{"0101", "CAPODANNO"},
                                  {"0317", "UNITA' D'ITALIA"},
                                  {"1225", "NATALE"},
                                  {"1399", "NON UNA DATA"}});
  EXPECT_TRUE(calendar.IsHoliday("20241225", "", ""));
  EXPECT_FALSE(calendar.IsHoliday("20241224", "", ""));
  // 17 March counts only in 2011, even though the row is there every year.
  EXPECT_TRUE(calendar.IsHoliday("20110317", "", ""));
  EXPECT_FALSE(calendar.IsHoliday("20240317", "", ""));
  // Patron-saint days are held as DDMM: "0406" is 4 June, not 6 April.
  EXPECT_TRUE(calendar.IsHoliday("20240604", "0406", ""));
  EXPECT_FALSE(calendar.IsHoliday("20240406", "0406", ""));
  EXPECT_TRUE(calendar.IsHoliday("20240613", "0406", "1306"));
  // Blank or short fields never match, nor does a malformed day key.
  EXPECT_FALSE(calendar.IsHoliday("20240604", "046", "06"));
  EXPECT_FALSE(calendar.IsHoliday("2024122", "", ""));
  EXPECT_EQ(PatronDayToMmDd("0406"), "0604");
}

TEST_F(TablesTest, HolidayCalendarLoadsFestivita) {
  AddHoliday("0619", "SAN GERVASIO");
  AddHoliday("0317", "UNITA'");
  Result<HolidayCalendar> calendar = HolidayCalendar::Load(db());
  ASSERT_TRUE(calendar.ok());
  EXPECT_TRUE(calendar->IsHoliday("20240619", "", ""));
  EXPECT_FALSE(calendar->InTable("0317", "2012"));
}

class HolidayFormTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    AddHoliday("0101", "CAPODANNO");
    AddHoliday("1225", "NATALE");
    form_ = std::make_unique<HolidayForm>(db(), dialogs_);
    ASSERT_TRUE(form_->Refresh().ok());
  }
  void TypeInto(int index, std::string_view text) {
    Type(
        form_->boxes().text[static_cast<size_t>(index)], text,
        [&](int key) { return form_->TextFestivita_KeyPress(index, key); },
        [&](const std::string& t) { form_->TextFestivita_Change(index, t); });
  }
  std::unique_ptr<HolidayForm> form_;
};

TEST_F(HolidayFormTest, CodeIsPaddedWhenTheBoxIsLeftAndShortCodesAreRefused) {
  ASSERT_TRUE(form_->ListRecord_DblClick(0).ok());

  // Three digits saved without leaving the box: refused, nothing stored, panel still open.
  TypeInto(HolidayForm::kCodeBox, "6a19");  // the letter is dropped by the box
  EXPECT_EQ(form_->boxes().text[0], "619");
  TypeInto(HolidayForm::kDescriptionBox, "san gervasio");
  EXPECT_EQ(form_->boxes().text[1], "SAN GERVASIO");
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text, "Attenzione il Codice deve essere di 4 caratteri (MMAA)");
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(form_->state(), PanelState::kNew);

  // Leaving the box pads it; the save stores "0619" and closes the panel.
  form_->TextFestivita_LostFocus(HolidayForm::kCodeBox);
  EXPECT_EQ(form_->boxes().text[0], "0619");
  ASSERT_EQ(*form_->Save(), SaveOutcome::kSaved);
  EXPECT_EQ(**db().FindHoliday("0619"), (HolidayRow{"0619", "SAN GERVASIO"}));
  EXPECT_EQ(form_->state(), PanelState::kClosed);
  EXPECT_EQ(form_->entries()[2], "0619 SAN GERVASIO");
}

TEST_F(HolidayFormTest, CreatingAnExistingCodeIsRefusedEditingOverwrites) {
  ASSERT_TRUE(form_->OpenNew().ok());
  ASSERT_TRUE(form_->EnterText(HolidayForm::kCodeBox, "1225").ok());
  ASSERT_TRUE(form_->EnterText(HolidayForm::kDescriptionBox, "altro").ok());
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text,
            "ATTENZIONE!!\n\nCodice Festività già utilizzato\n\nUtilizzare un codice differente");
  EXPECT_EQ(form_->boxes().text[0], "");
  EXPECT_EQ(form_->TakeFocusRequest(), (FocusTarget{"TextFestivita", 0}));

  // Opened from its entry the code is fixed and the save overwrites the description.
  ASSERT_TRUE(form_->Cancel().ok());  // a No to the save question drops the typing
  ASSERT_TRUE(*form_->OpenStored("1225"));
  EXPECT_FALSE(form_->EnterText(HolidayForm::kCodeBox, "1226").ok());
  ASSERT_TRUE(form_->EnterText(HolidayForm::kDescriptionBox, "Natale di N.S.").ok());
  EXPECT_EQ(*form_->Save(), SaveOutcome::kSaved);
  EXPECT_EQ((*db().FindHoliday("1225"))->description, "NATALE DI N.S.");
}

TEST_F(HolidayFormTest, FixedHolidaysCannotBeDeletedOthersAfterConfirmation) {
  AddHoliday("0619", "SAN GERVASIO E PROTASIO");
  ASSERT_TRUE(form_->Refresh().ok());

  EXPECT_EQ(*form_->DeleteCode("1225"), DeleteOutcome::kRefused);
  EXPECT_EQ(dialogs_.Texts(),
            std::vector<std::string>{"La festività '1225 NATALE' non si puo cancellare"});
  EXPECT_TRUE(db().FindHoliday("1225")->has_value());

  dialogs_.Clear();
  dialogs_.QueueAnswers({false, true});
  EXPECT_EQ(*form_->DeleteCode("0619"), DeleteOutcome::kDeclined);
  EXPECT_TRUE(db().FindHoliday("0619")->has_value());
  EXPECT_EQ(*form_->DeleteCode("0619"), DeleteOutcome::kDeleted);
  EXPECT_FALSE(db().FindHoliday("0619")->has_value());
  EXPECT_EQ(dialogs_.Texts()[0], "Eliminare la festività : 0619 SAN GERVASIO E PROTASIO");

  // No entry chosen: the message with its own title; the new-row entry: nothing at all.
  dialogs_.Clear();
  form_->Select(-1);
  EXPECT_EQ(*form_->CmdElimina_Click(), DeleteOutcome::kNoSelection);
  form_->Select(0);
  EXPECT_EQ(*form_->CmdElimina_Click(), DeleteOutcome::kNoSelection);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text, "Selezionare la Festività da eliminare");
  EXPECT_EQ(dialogs_.entries()[0].title, "Elimina Festività");
}

TEST_F(HolidayFormTest, CancelAsksAboutChangesAndKeepsARefusedSaveOpen) {
  // A click shows the entry without opening it.
  ASSERT_TRUE(form_->ListRecord_Click(1).ok());
  EXPECT_EQ(form_->boxes().text, (std::array<std::string, 2>{"0101", "CAPODANNO"}));
  EXPECT_EQ(form_->record_caption(), "Dati del record selezionato");
  EXPECT_EQ(form_->state(), PanelState::kClosed);

  // Changes dropped with No: the panel shows the stored entry again.
  ASSERT_TRUE(form_->ListRecord_DblClick(1).ok());
  TypeInto(HolidayForm::kDescriptionBox, "x");
  dialogs_.QueueAnswers({false});
  ASSERT_TRUE(*form_->Cancel());
  EXPECT_EQ(
      dialogs_.Texts(),
      (std::vector<std::string>{"Sono state fatte delle variazioni/inserimenti\nVuoi salvare ?"}));
  EXPECT_EQ(form_->boxes().text, (std::array<std::string, 2>{"0101", "CAPODANNO"}));
  EXPECT_FALSE(form_->modified());

  // Yes with a code that cannot be saved: the message, and the typing stays in the panel.
  dialogs_.Clear();
  ASSERT_TRUE(form_->ListRecord_DblClick(0).ok());
  TypeInto(HolidayForm::kCodeBox, "12");
  dialogs_.QueueAnswers({true});
  EXPECT_FALSE(*form_->Cancel());
  EXPECT_EQ(form_->state(), PanelState::kNew);
  EXPECT_EQ(form_->boxes().text[0], "12");
}

}  // namespace
}  // namespace kaveltar
