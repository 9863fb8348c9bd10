// The schedule group panel and the tables screen around the panels: code padding, the new
// group's hours, the hours boxes' completion, the deletion rule on PRES_1, and the save
// question when going back to the table choice or leaving the program.
#include "tables/group_form.h"

#include <gtest/gtest.h>

#include "tables/tables_screen.h"
#include "tables_fixture.h"

namespace kaveltar {
namespace {

using testing::TablesTest;

class GroupFormTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    AddGroup("001", "TEMPO PIENO");
    form_ = std::make_unique<GroupForm>(db(), dialogs_);
    ASSERT_TRUE(form_->Refresh().ok());
  }
  void TypeCode(std::string_view text) {
    Type(
        form_->boxes().text[0], text,
        [&](int key) { return form_->TextDescGruppo_KeyPress(GroupForm::kCodeBox, key); },
        [&](const std::string& t) { form_->TextDescGruppo_Change(GroupForm::kCodeBox, t); });
  }
  std::unique_ptr<GroupForm> form_;
};

TEST_F(GroupFormTest, NewGroupCodeIsPaddedAndUntouchedHoursAreZero) {
  ASSERT_TRUE(form_->ListRecord_DblClick(0).ok());
  EXPECT_EQ(form_->boxes().text[5], "00:00");
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);
  EXPECT_EQ(dialogs_.Texts(),
            (std::vector<std::string>{"Attenzione il Codice deve essere di 3 caratteri"}));

  TypeCode("5");
  form_->TextDescGruppo_LostFocus(GroupForm::kCodeBox);
  form_->TextDescGruppo_Change(GroupForm::kDescriptionBox, " TURNO NOTTE ");
  ASSERT_EQ(*form_->Save(), SaveOutcome::kSaved);
  GroupRow expected;
  expected.code = "005";
  expected.grup = {"",      "TURNO NOTTE", "00:00", "00:00", "00:00",
                   "00:00", "00:00",       "00:00", "00:00"};
  EXPECT_EQ(**db().FindGroup("005"), expected);
  EXPECT_EQ(form_->entries()[0], "------------- NUOVO GRUPPO -------------");
  // After the save the panel shows a blank new group again.
  EXPECT_EQ(form_->boxes().text[0], "");
}

TEST_F(GroupFormTest, CreatingAnExistingCodeIsRefusedEditingOverwritesEveryColumn) {
  ASSERT_TRUE(form_->OpenNew().ok());
  ASSERT_TRUE(form_->EnterText(GroupForm::kCodeBox, "1").ok());
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);
  EXPECT_EQ(dialogs_.Texts().back(),
            "ATTENZIONE!!\n\nCodice Gruppo già utilizzato\n\nUtilizzare un codice differente");
  EXPECT_EQ((*db().FindGroup("001"))->grup[1], "TEMPO PIENO");

  form_->set_modified(false);
  ASSERT_TRUE(*form_->Cancel());
  ASSERT_TRUE(*form_->OpenStored("1"));
  ASSERT_TRUE(form_->EnterText(GroupForm::kDescriptionBox, "part time").ok());
  for (int day = GroupForm::kFirstHoursBox; day <= GroupForm::kLastHoursBox; ++day) {
    ASSERT_TRUE(form_->EnterText(day, day == 8 ? "" : "4:").ok());
  }
  EXPECT_FALSE(form_->EnterText(3, "07:60").ok());
  ASSERT_EQ(*form_->Save(), SaveOutcome::kSaved);
  const GroupRow row = **db().FindGroup("001");
  EXPECT_EQ(row.grup[1], "PART TIME");
  EXPECT_EQ(row.grup[7], "04:00");
  EXPECT_EQ(row.grup[8], "00:00");
}

// The completion and the mask are the hours helpers'; here that the boxes use them.
TEST_F(GroupFormTest, HoursBoxesFollowTheMaskAndAreCompletedWhenLeft) {
  ASSERT_TRUE(form_->OpenNew().ok());
  form_->TextGruppo_Change(4, " 7:3 ");
  form_->TextGruppo_LostFocus(4);
  EXPECT_EQ(form_->boxes().text[4], "07:30");
  // Enter on a text that is not valid hours: the mask's message, the box keeps the focus.
  form_->TextGruppo_Change(4, "49:59");
  EXPECT_EQ(form_->TextGruppo_KeyPress(4, 3, kKeyEnter).action, HoursMaskOutcome::Action::kInvalid);
  EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{"ERRORE HH:MM"}));
  EXPECT_EQ(form_->TakeFocusRequest(), (FocusTarget{"TextGruppo", 4}));
}

TEST_F(GroupFormTest, GroupsNamedByAStoredDayCannotBeDeleted) {
  AddGroup("002", "PART TIME");
  DayRow day = AddDay("20250602");
  day.pres[1] = "001";
  ASSERT_TRUE(db().SaveDay(day).ok());
  ASSERT_TRUE(form_->Refresh().ok());
  dialogs_.set_default_answer(true);

  EXPECT_EQ(*form_->DeleteCode("001"), DeleteOutcome::kRefused);
  EXPECT_EQ(dialogs_.Texts(),
            (std::vector<std::string>{"Eliminare il Gruppo : 001 TEMPO PIENO",
                                      "Impossibile eliminare il Gruppo selezionato in quanto "
                                      "utilizzato nelle presenze del mese o dei mesi precedenti"}));
  EXPECT_TRUE(db().FindGroup("001")->has_value());
  EXPECT_EQ(*form_->DeleteCode("002"), DeleteOutcome::kDeleted);
  EXPECT_FALSE(db().FindGroup("002")->has_value());
}

class TablesScreenTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    AddGroup("001", "TEMPO PIENO");
    screen_ = std::make_unique<TablesScreen>(db(), dialogs_, *formulas_);
  }
  std::unique_ptr<TablesScreen> screen_;
};

TEST_F(TablesScreenTest, GoingBackWithAHalfTypedGroupAsksToSave) {
  ASSERT_TRUE(screen_->ListTabelle_Click(2).ok());
  ASSERT_EQ(screen_->current(), TableKind::kGroups);
  EXPECT_FALSE(screen_->table_list_enabled());
  GroupForm& groups = screen_->groups();
  ASSERT_TRUE(groups.ListRecord_DblClick(0).ok());
  groups.TextDescGruppo_KeyPress(GroupForm::kCodeBox, '7');
  groups.TextDescGruppo_Change(GroupForm::kCodeBox, "7");
  EXPECT_TRUE(screen_->modified());

  // No: the half-typed group is dropped and the table choice comes back.
  dialogs_.QueueAnswers({false});
  ASSERT_TRUE(*screen_->CmdSelPrec_Click());
  EXPECT_EQ(dialogs_.Texts().size(), 1u);  // the save question
  EXPECT_FALSE(db().FindGroup("007")->has_value());
  EXPECT_TRUE(screen_->table_list_enabled());
  EXPECT_FALSE(screen_->modified());

  // Leaving the program with a good code: Yes stores the group.
  ASSERT_TRUE(screen_->ListTabelle_Click(2).ok());
  ASSERT_TRUE(groups.ListRecord_DblClick(0).ok());
  groups.TextDescGruppo_KeyPress(GroupForm::kCodeBox, '7');
  groups.TextDescGruppo_Change(GroupForm::kCodeBox, "7");
  groups.TextDescGruppo_LostFocus(GroupForm::kCodeBox);
  dialogs_.QueueAnswers({true});
  EXPECT_TRUE(*screen_->ConfirmLeave());
  EXPECT_TRUE(db().FindGroup("007")->has_value());
}

// The listing's lines are the listing's own; the screen prints the table it shows.
TEST_F(TablesScreenTest, PrintAndDeleteActOnTheChosenTable) {
  EXPECT_EQ(*screen_->CmdElimina_Click(), DeleteOutcome::kNoSelection);
  ASSERT_TRUE(screen_->ListTabelle_Click(1).ok());
  EXPECT_EQ(screen_->justifications().entries(),
            (std::vector<std::string>{"----- NUOVO GIUSTIFICATIVO -----"}));
  ASSERT_TRUE(*screen_->CmdSelPrec_Click());
  ASSERT_TRUE(screen_->ListTabelle_Click(2).ok());
  Result<std::vector<std::string>> lines = screen_->CmdStampa_Click();
  ASSERT_TRUE(lines.ok());
  EXPECT_EQ(lines->size(), 4u);
  EXPECT_EQ((*lines)[1], "ELENCO GRUPPI ORARI PRESENTI NELL'ARCHIVIO");
}

}  // namespace
}  // namespace kaveltar
