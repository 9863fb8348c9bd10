// The schedule group panel: code padding, the new group's hours, the duplicate refusal and
// the deletion rule on PRES_1.
#include "tables/group_form.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kaveltar
