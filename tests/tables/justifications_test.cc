// The justification panel: code and type checks, how each box is written to its column and
// read back, the formula rows with the formulas archive, the deletion rule over the ten
// slots of the stored days, navigation, and the fixed UNIEMENS and SR18 lists.
#include "tables/justification_form.h"

#include <gtest/gtest.h>

#include <map>

#include "tables/uniemens.h"
#include "tables_fixture.h"

namespace kaveltar {
namespace {

using testing::TablesTest;

class JustificationFormTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    form_ = std::make_unique<JustificationForm>(db(), dialogs_, *formulas_);
    ASSERT_TRUE(form_->Refresh().ok());
  }
  void TypeInto(int index, std::string_view text) {
    std::string current;
    switch (index) {
      case JustificationForm::kCodeBox:
        current = form_->boxes().code;
        break;
      case JustificationForm::kTicketBox:
        current = form_->boxes().ticket;
        break;
      default:
        current = form_->boxes().description;
    }
    Type(
        current, text, [&](int key) { return form_->TextGiustificativo_KeyPress(index, key); },
        [&](const std::string& t) { form_->TextGiustificativo_Change(index, t); });
  }
  // Opens a new code, types it and leaves the box, picks the type.
  void NewCode(std::string_view code, int type) {
    ASSERT_TRUE(form_->OpenNew().ok());
    TypeInto(JustificationForm::kCodeBox, code);
    form_->TextGiustificativo_LostFocus(JustificationForm::kCodeBox);
    form_->OptGiuPreAss_Click(type);
  }
  JustificationRow Stored(const std::string& code) {
    Result<std::optional<JustificationRow>> row = db().FindJustification(code);
    EXPECT_TRUE(row.ok() && row->has_value()) << code;
    return row.ok() && row->has_value() ? **row : JustificationRow{};
  }
  // The columns of the stored row `code`, by number.
  void ExpectColumns(const std::string& code, const std::map<size_t, std::string>& expected) {
    const JustificationRow row = Stored(code);
    for (const auto& [n, value] : expected) EXPECT_EQ(row.gius[n], value) << code << " GIUS_" << n;
  }
  std::unique_ptr<JustificationForm> form_;
};

TEST_F(JustificationFormTest, CodeLengthTypeAndDuplicateChecks) {
  ASSERT_TRUE(form_->OpenNew().ok());
  TypeInto(JustificationForm::kCodeBox, "12");
  form_->OptGiuPreAss_Click(1);
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);
  form_->TextGiustificativo_LostFocus(JustificationForm::kCodeBox);
  EXPECT_EQ(form_->boxes().code, "012");
  form_->PULISCI_GIUSTIFICATIVO();
  TypeInto(JustificationForm::kCodeBox, "012");  // "0" alone is emptied by the next digit
  form_->TextGiustificativo_LostFocus(JustificationForm::kCodeBox);
  EXPECT_EQ(form_->boxes().code, "012");
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);  // no type chosen
  form_->OptGiuPreAss_Click(1);
  EXPECT_EQ(*form_->Save(), SaveOutcome::kSaved);
  EXPECT_EQ(Stored("012").gius[2], "A");
  EXPECT_EQ(dialogs_.Texts().back(), "Attenzione selezionare la tipologia del giustificativo");

  // The same code again as a new one: refused and the code box emptied.
  dialogs_.Clear();
  NewCode("12", 0);
  EXPECT_EQ(*form_->Save(), SaveOutcome::kRefused);
  EXPECT_EQ(dialogs_.Texts(),
            (std::vector<std::string>{"ATTENZIONE!!\n\nCodice Giustificativo già utilizzato\n\n"
                                      "Utilizzare un codice differente"}));
  EXPECT_EQ(form_->boxes().code, "");
}

TEST_F(JustificationFormTest, EachBoxIsWrittenToItsColumnAndReadBack) {
  NewCode("9", 0);
  TypeInto(JustificationForm::kDescriptionBox, "cig richiesta");
  form_->TextGiustificativo_Change(JustificationForm::kImportCodeBox, "CR");
  form_->ComboGiustificativo_Click(Sr18ListPosition("I"));
  form_->ComboUNIEMENS_Click(UniemensListPosition("5T"));
  EXPECT_EQ(form_->boxes().uniemens_label, "5T");
  EXPECT_TRUE(form_->ChkGiucompStr_Click(true));
  TypeInto(JustificationForm::kTicketBox, "3");
  form_->TextGiustificativo_LostFocus(JustificationForm::kTicketBox);
  EXPECT_EQ(form_->boxes().ticket, " 3");
  ASSERT_TRUE(form_->SetFormulaRow(0, "5", "8:30").ok());
  ASSERT_TRUE(form_->SetFormulaRow(1, "50", "").ok());
  EXPECT_EQ(form_->boxes().formulas[1].description, "FORMULA NON TROVATA");
  ASSERT_EQ(*form_->Save(), SaveOutcome::kSaved);

  ExpectColumns("009", {{1, "CIG RICHIESTA"},
                        {2, "P"},
                        {3, "1"},
                        {5, "CR"},
                        {6, "I"},
                        {7, "5T"},
                        {8, " 3"},
                        {9, "005"},
                        {10, "050"},
                        {11, ""},
                        {14, "510"},
                        {15, "0"},
                        {18, "0"}});

  // Read back: descriptions from the archive, zero threshold as an empty box.
  ASSERT_TRUE(*form_->OpenStored("009"));
  const JustificationForm::Boxes& b = form_->boxes();
  EXPECT_EQ(b.ticket, "3");
  EXPECT_TRUE(b.overtime);
  EXPECT_EQ(Sr18Items()[static_cast<size_t>(b.sr18_index)].text, "I  = Infortunio");
  EXPECT_EQ(UniemensListItems()[static_cast<size_t>(b.uniemens_index)], "5T COR Tipo Evento T");
  EXPECT_EQ(b.formulas[0], (JustificationForm::FormulaRowBoxes{"005", "MALATTIA INPS", "08:30"}));

  // Changing the type to absence unticks overtime for good; "00 Azzera Valore" and an
  // empty ticket box clear their columns; a bad threshold is reported and stored as 0.
  form_->OptGiuPreAss_Click(1);
  EXPECT_FALSE(form_->ChkGiucompStr_Click(true));
  form_->ComboUNIEMENS_Click(0);
  form_->TextGiustificativo_Change(JustificationForm::kTicketBox, "");
  form_->TextGiusSogliaVoce_Change(0, "0830");
  ASSERT_EQ(*form_->Save(), SaveOutcome::kSaved);
  ExpectColumns("009", {{2, "A"}, {3, "0"}, {7, ""}, {8, " 0"}, {14, "0"}});
  EXPECT_EQ(dialogs_.Texts().back(), "ERRORE HH:MM 0830");
}

TEST_F(JustificationFormTest, StoredValuesOutsideThePanelsListsAndColumnsAreKept) {
  JustificationRow row;
  row.code = "077";
  row.gius[1] = "DATI IMPORTATI";
  row.gius[2] = "m";
  row.gius[3] = "1";  // not possible for this type: shown and stored unticked
  row.gius[4] = "X";  // a column this program never uses
  row.gius[6] = "ZZ";
  row.gius[7] = "Q9";
  row.gius[8] = "10";
  ASSERT_TRUE(db().SaveJustification(row).ok());
  ASSERT_TRUE(form_->Refresh().ok());
  ASSERT_TRUE(*form_->OpenStored("77"));
  EXPECT_EQ(form_->boxes().type, 3);
  EXPECT_EQ(form_->boxes().sr18_index, -1);
  EXPECT_EQ(form_->boxes().uniemens_label, "Q9");
  ASSERT_EQ(*form_->Save(), SaveOutcome::kSaved);
  ExpectColumns("077", {{2, "M"}, {3, "0"}, {4, "X"}, {6, ""}, {7, "Q9"}, {8, "10"}});
}

TEST_F(JustificationFormTest, FormulaPickListOrdersSkipsFreeRecordsAndFillsTheRow) {
  NewCode("30", 0);
  form_->CmdGiusCodVoce_Click(0);
  ASSERT_TRUE(form_->formula_list_visible());
  EXPECT_EQ(
      form_->formula_lines(),
      (std::vector<std::string>{"---------- ELIMINA RIGA ----------",
                                "FERIE GODUTE              003", "INDENNITÀ CASSA           008",
                                "MALATTIA INPS             005", "ORE ORDINARIE             001",
                                "trasferta italia          006", "ZONA DISAGIATA            007"}));
  form_->CxkOrdFormule_Click(true);
  EXPECT_EQ(form_->formula_lines()[6], "008 INDENNITÀ CASSA          ");

  form_->ListFormule_DblClick(6);
  EXPECT_FALSE(form_->formula_list_visible());
  EXPECT_EQ(form_->boxes().formulas[0],
            (JustificationForm::FormulaRowBoxes{"008", "INDENNITÀ CASSA", ""}));
  EXPECT_EQ(form_->TakeFocusRequest(), (FocusTarget{"TextGiusSogliaVoce", 0}));

  // The threshold box goes through the hours mask.
  form_->TextGiusSogliaVoce_KeyPress(0, 0, '0');
  form_->TextGiusSogliaVoce_KeyPress(0, 1, '7');
  EXPECT_EQ(form_->boxes().formulas[0].threshold, "07:00");

  // Second click on a row button while the list is shown only hides it.
  form_->CmdGiusCodVoce_Click(1);
  ASSERT_TRUE(form_->formula_list_visible());
  form_->CmdGiusCodVoce_Click(3);
  EXPECT_FALSE(form_->formula_list_visible());
  EXPECT_EQ(form_->formula_row(), 1);
}

}  // namespace
}  // namespace kaveltar
