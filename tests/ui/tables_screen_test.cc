// The tables screen driven through its widgets: choosing a table, clicking and double-clicking
// rows, typing into the boxes (filters, upper case, padding, the hours mask, colours), saving,
// refusals, deleting, the justification navigation and formula pick list, cancelling and going
// back with and without saving, leaving the program, the printed listing, and the
// justification pick list of the memorization screen.
//
// The demo installation is shared by the whole run: every test removes what it adds.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "db/attendance_db.h"
#include "platform/printer_recording.h"
#include "tables/holiday_form.h"
#include "ui/justification_pick_list.h"
#include "ui/list_widgets.h"
#include "ui/tables_screen.h"
#include "ui_harness.h"

namespace kaveltar::ui::testing {
namespace {

const QString kQuestion =
    QStringLiteral("Sono state fatte delle variazioni/inserimenti\nVuoi salvare ?");

TableBox* Box(Harness& h, const char* name, int index) {
  return h.Find<TableBox>(ArrayName(name, index).toLatin1().constData());
}
QWidget* Widget(Harness& h, const char* name, int index) {
  return h.Find<QWidget>(ArrayName(name, index).toLatin1().constData());
}

// Opens the tables screen and chooses table `table` (0 holidays, 1 justifications, 2 groups).
QListWidget* OpenTable(Harness& h, int table) {
  h.form->activateWindow();
  if (!QTest::qWaitForWindowActive(h.form.get())) qWarning("window not active");
  h.Click(h.MenuButton(0));
  Harness::ClickRow(h.Find<QListWidget>("ListTabelle"), table);
  return h.Find<QListWidget>("ListRecord");
}

int RowStartingWith(QListWidget* list, const QString& start) {
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->text().startsWith(start)) return row;
  }
  return -1;
}

// Types into a box as the operator does: the box gets the focus, then the keys.
void Type(QWidget* box, const char* text) {
  box->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(box, QString::fromUtf8(text));
}

void Leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Tab); }

// Keys for a text with accented letters, which QTest::keyClicks does not type.
void KeyClicks(QWidget* box, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 128) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

QStringList Texts(Harness& h) {
  QStringList texts;
  for (const std::string& t : h.TakeTexts()) texts << QString::fromStdString(t);
  return texts;
}

}  // namespace

class TablesScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void ChoosingATableShowsItsRowsAndClosedPanel();
  void HolidayTypedSavedRefusedAndDeleted();
  void JustificationNavigationFormulasAndSave();
  void JustificationInUseIsKeptUnusedIsDeleted();
  void GroupHoursMaskAndGoingBackWithUnsavedChanges();
  void LeavingTheProgramWithARefusedSaveStays();
  void PrintsTheChosenTable();
  void JustificationPickListFillsTheBox();
};

void TablesScreenTest::ChoosingATableShowsItsRowsAndClosedPanel() {
  Harness h;
  QListWidget* tables = h.Find<QListWidget>("ListTabelle");
  QListWidget* records = OpenTable(h, 1);
  QVERIFY(!tables->isEnabled());
  QVERIFY(h.Find<QWidget>("FrameGiustificativi")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameFestivita")->isVisible());
  QVERIFY(!h.Find<QWidget>("FrameHelpTabelle")->isVisible());
  QVERIFY(!Widget(h, "FrameGiustificativi", 1)->isEnabled());
  QVERIFY(Widget(h, "FrameGiustificativi", 2)->isVisible());
  QVERIFY(!Widget(h, "FrameGiustificativi", 3)->isVisible());
  QVERIFY(!h.Find<QWidget>("CmdRitTabelle")->isEnabled());
  for (const char* b : {"CmdElimina", "CmdStampa", "CmdSelPrec"}) {
    QVERIFY2(h.Find<QWidget>(b)->isEnabled(), b);
  }

  // The rows of GIUSTIFICATIVI in key order after the new-row entry.
  std::vector<JustificationRow> rows;
  QVERIFY(h.session.db().ListJustifications(&rows).ok());
  QCOMPARE(records->count(), static_cast<int>(rows.size()) + 1);
  QCOMPARE(records->item(0)->text(), QStringLiteral("----- NUOVO GIUSTIFICATIVO -----"));
  QCOMPARE(records->item(1)->text(), FromUtf8(rows[0].code + " " + rows[0].gius[1]));

  // A click shows the row without opening it.
  Harness::ClickRow(records, 2);
  QCOMPARE(Box(h, "TextGiustificativo", 0)->text(), FromUtf8(rows[1].code));
  QCOMPARE(Box(h, "TextGiustificativo", 1)->text(), FromUtf8(rows[1].gius[1]));
  QCOMPARE(Widget(h, "LabelGiustificativi", 3)->property("text").toString(),
           QStringLiteral("Dati del record selezionato"));
  QVERIFY(!Widget(h, "FrameGiustificativi", 1)->isEnabled());
  // The UNIEMENS list was filled at start-up: the clearing item, then the 57 events.
  auto* uniemens = h.Find<QComboBox>("ComboUNIEMENS");
  QCOMPARE(uniemens->count(), 58);
  QCOMPARE(uniemens->itemText(0), QStringLiteral("00 Azzera Valore"));
  QCOMPARE(uniemens->itemText(57), QStringLiteral("G3 CONG.80% GG (PG3)"));

  // Back to the table choice.
  h.Click("CmdSelPrec");
  QVERIFY(tables->isEnabled());
  QCOMPARE(tables->count(), 3);
  QCOMPARE(records->count(), 0);
  QVERIFY(!h.Find<QWidget>("FrameGiustificativi")->isVisible());
  QVERIFY(h.Find<QWidget>("FrameHelpTabelle")->isVisible());
  QVERIFY(h.Find<QWidget>("CmdRitTabelle")->isEnabled());
  // From the table choice, "Selezioni precedenti" goes back to the menu.
  h.Click("CmdSelPrec");
  QVERIFY(!h.Find<QWidget>("FrameTabelle")->isVisible());
  QVERIFY(h.MenuButton(0)->isEnabled());
}

void TablesScreenTest::HolidayTypedSavedRefusedAndDeleted() {
  Harness h;
  QListWidget* records = OpenTable(h, 0);
  QCOMPARE(records->item(0)->text(), QStringLiteral("--------- NUOVA FESTIVITA' ---------"));
  TableBox* code = Box(h, "TextFestivita", 0);
  TableBox* description = Box(h, "TextFestivita", 1);

  // A fixed holiday is shown on a click and cannot be deleted.
  const int christmas = RowStartingWith(records, QStringLiteral("1225 "));
  QVERIFY(christmas > 0);
  Harness::ClickRow(records, christmas);
  QCOMPARE(code->text(), QStringLiteral("1225"));
  const QString christmas_name = description->text();
  h.TakeTexts();
  h.Click("CmdElimina");
  QCOMPARE(Texts(h), QStringList{"La festività '1225 " + christmas_name + "' non si puo cancellare"});
  QCOMPARE(records->item(christmas)->text(), "1225 " + christmas_name);

  // A new holiday: the code box takes digits only, gets the focus in yellow with its text
  // selected, turns white when left and is padded to four digits.
  Harness::DoubleClickRow(records, 0);
  QVERIFY(Widget(h, "FrameFestivita", 1)->isEnabled());
  QVERIFY(!records->isEnabled());
  for (const char* b : {"CmdElimina", "CmdStampa", "CmdSelPrec"}) {
    QVERIFY2(!h.Find<QWidget>(b)->isEnabled(), b);
  }
  QVERIFY(code->hasFocus());
  QCOMPARE(code->back_colour(), 65535L);
  QCOMPARE(Widget(h, "LabelFestivita", 0)->property("text").toString(),
           QString::fromUtf8("Inserire la nuova festività con codice formato dal mese e dal giorno "
                             "in cui cade (MMAA) e una descrizione libera per identificarla."));
  QTest::keyClicks(code, QStringLiteral("1x0-1"));
  QCOMPARE(code->text(), QStringLiteral("101"));
  Leave(code);
  QCOMPARE(code->text(), QStringLiteral("0101"));
  QCOMPARE(code->back_colour(), 16777215L);
  QVERIFY(description->hasFocus());
  QCOMPARE(description->selectedText(), description->text());
  KeyClicks(description, QString::fromUtf8("capodanno è bis"));
  QCOMPARE(description->text(), QString::fromUtf8("CAPODANNO È BIS"));

  // 0101 exists: refused, the code emptied and focused again.
  h.TakeTexts();
  h.Click("CmdSalvaFest");
  QCOMPARE(Texts(h), QStringList{QString::fromUtf8(
                         "ATTENZIONE!!\n\nCodice Festività già utilizzato\n\nUtilizzare un "
                         "codice differente")});
  QCOMPARE(code->text(), QString());
  QVERIFY(code->hasFocus());
  QVERIFY(Widget(h, "FrameFestivita", 1)->isEnabled());

  Type(code, "619");
  h.Click("CmdSalvaFest");  // the button takes the focus: the code box is left first
  Result<std::optional<HolidayRow>> saved = h.session.db().FindHoliday("0619");
  QVERIFY(saved.ok() && saved->has_value());
  QCOMPARE(FromUtf8((*saved)->description), QString::fromUtf8("CAPODANNO È BIS"));
  QVERIFY(!Widget(h, "FrameFestivita", 1)->isEnabled());
  QVERIFY(records->isEnabled());
  QCOMPARE(code->text(), QString());
  QCOMPARE(description->text(), QString());
  const int added = RowStartingWith(records, QStringLiteral("0619 "));
  QVERIFY(added > 0);

  // A stored holiday opens with only its description editable; an unchanged cancel asks
  // nothing.
  Harness::DoubleClickRow(records, added);
  QVERIFY(!code->isEnabled());
  QVERIFY(description->hasFocus());
  h.TakeTexts();
  h.Click("CmdAnnullaFest");
  QVERIFY(Texts(h).isEmpty());
  QVERIFY(!Widget(h, "FrameFestivita", 1)->isEnabled());
  QVERIFY(code->isEnabledTo(Widget(h, "FrameFestivita", 1)));

  // The operator's holiday is deleted after the confirmation.
  Harness::ClickRow(records, added);
  h.dialogs.QueueAnswers({true});
  h.Click("CmdElimina");
  QCOMPARE(Texts(h), QStringList{QString::fromUtf8("Eliminare la festività : 0619 CAPODANNO È BIS")});
  saved = h.session.db().FindHoliday("0619");
  QVERIFY(saved.ok() && !saved->has_value());
  QCOMPARE(RowStartingWith(records, QStringLiteral("0619 ")), -1);
}

void TablesScreenTest::JustificationNavigationFormulasAndSave() {
  Harness h;
  QListWidget* records = OpenTable(h, 1);
  std::vector<JustificationRow> rows;
  QVERIFY(h.session.db().ListJustifications(&rows).ok());
  QVERIFY(rows.size() >= 3);
  TableBox* code = Box(h, "TextGiustificativo", 0);

  // A stored code: the description gets the focus, the navigation moves over the codes.
  Harness::DoubleClickRow(records, 2);
  QVERIFY(Box(h, "TextGiustificativo", 1)->hasFocus());
  QVERIFY(!code->isEnabled());
  QVERIFY(!Widget(h, "FrameGiustificativi", 2)->isVisible());
  QVERIFY(Widget(h, "FrameGiustificativi", 3)->isVisible());
  h.Click("CmdFineGiust");
  QCOMPARE(code->text(), FromUtf8(rows.back().code));
  QCOMPARE(records->currentRow(), records->count() - 1);
  h.TakeTexts();
  h.Click("CmdAvantiGiust");
  QCOMPARE(Texts(h), QStringList{"Ultimo Giustificativo in Archivio"});
  h.Click("CmdInizioGiust");
  QCOMPARE(code->text(), FromUtf8(rows.front().code));
  h.Click("CmdIndietroGiust");
  QCOMPARE(Texts(h), QStringList{"Primo Giustificativo in Archivio"});
  h.Click("CmdAvantiGiust");
  QCOMPARE(code->text(), FromUtf8(rows[1].code));
  h.Click("CmdAnnullaGiust");
  QVERIFY(Widget(h, "FrameGiustificativi", 2)->isVisible());

  // A new code.
  Harness::DoubleClickRow(records, 0);
  for (const char* nav : {"CmdInizioGiust", "CmdIndietroGiust", "CmdAvantiGiust", "CmdFineGiust"}) {
    QVERIFY2(!h.Find<QWidget>(nav)->isEnabled(), nav);
  }
  QVERIFY(code->hasFocus());
  QTest::keyClicks(code, QStringLiteral("97"));
  Leave(code);
  QCOMPARE(code->text(), QStringLiteral("097"));
  Type(Box(h, "TextGiustificativo", 1), "prova schermo");
  Type(Box(h, "TextGiustificativo", 2), "ps1");
  QCOMPARE(Box(h, "TextGiustificativo", 2)->text(), QStringLiteral("PS1"));
  TableBox* ticket = Box(h, "TextGiustificativo", 8);
  Type(ticket, "3a");
  Leave(ticket);
  QCOMPARE(ticket->text(), QStringLiteral(" 3"));

  // The UNIEMENS coding and ticket-number help.
  h.TakeTexts();
  h.Click(h.Find<QAbstractButton>("CmdHelpGiust_0"));
  h.Click(h.Find<QAbstractButton>("CmdHelpGiust_1"));
  const QStringList help = Texts(h);
  QCOMPARE(help.size(), 2);
  QVERIFY(help[0].startsWith(QStringLiteral("Codifica Da 1T a 8T\nSignificato 1.mo carattere:\n")));
  QVERIFY(help[1].startsWith(QStringLiteral("N.AUT.TICKET Uniemens Elemento <Giorno> (CIG)")));

  // Only a presence can be compatible with overtime.
  auto* overtime = h.Find<QCheckBox>("ChkGiucompStr");
  h.Click(h.Find<QAbstractButton>("OptGiuPreAss_0"));
  h.Click(overtime);
  QVERIFY(overtime->isChecked());
  h.Click(h.Find<QAbstractButton>("OptGiuPreAss_1"));
  QVERIFY(!overtime->isChecked());
  QVERIFY(!overtime->isEnabled());
  h.Click(h.Find<QAbstractButton>("OptGiuPreAss_0"));
  h.Click(overtime);

  auto* sr18 = h.Find<QComboBox>("ComboGiustificativo");
  sr18->setCurrentIndex(6);
  emit sr18->activated(6);  // "C  = CIG o CIGS"
  auto* uniemens = h.Find<QComboBox>("ComboUNIEMENS");
  uniemens->setCurrentIndex(5);
  emit uniemens->activated(5);
  QCOMPARE(h.Find<QLabel>("LabelGiustificativo")->text(), QStringLiteral("5T"));

  // The formula rows: in sequence, from the pick list, thresholds through the hours mask.
  h.TakeTexts();
  h.Click(h.Find<QAbstractButton>("CmdGiusCodVoce_1"));
  QCOMPARE(Texts(h), QStringList{"E' necessario rispettare la sequenza. Compilare prima la Formula 1"});
  QVERIFY(!h.Find<QWidget>("FrameFormule")->isVisible());
  h.Click(h.Find<QAbstractButton>("CmdGiusCodVoce_0"));
  auto* formule = h.Find<QListWidget>("ListFormule");
  QVERIFY(h.Find<QWidget>("FrameFormule")->isVisible());
  QCOMPARE(formule->item(0)->text(), QStringLiteral("---------- ELIMINA RIGA ----------"));
  h.Click(h.Find<QAbstractButton>("CxkOrdFormule"));
  const QString line = formule->item(1)->text();
  Harness::DoubleClickRow(formule, 1);
  QVERIFY(!h.Find<QWidget>("FrameFormule")->isVisible());
  const QString formula = line.left(3);
  QCOMPARE(Box(h, "TextGiusCodVoce", 0)->text(), formula);
  QCOMPARE(h.Find<QLabel>("LabGiusDescrVoce_0")->text(), line.mid(4).trimmed());
  TableBox* threshold = Box(h, "TextGiusSogliaVoce", 0);
  QVERIFY(threshold->hasFocus());
  QCOMPARE(threshold->cursorPosition(), 0);
  QTest::keyClicks(threshold, QStringLiteral("0830"));
  QCOMPARE(threshold->text(), QStringLiteral("08:30"));
  Leave(threshold);

  h.TakeTexts();
  h.Click("CmdSalvaGiust");
  QVERIFY(Texts(h).isEmpty());
  Result<std::optional<JustificationRow>> saved = h.session.db().FindJustification("097");
  QVERIFY(saved.ok() && saved->has_value());
  const JustificationRow& row = **saved;
  QCOMPARE(FromUtf8(row.gius[1]), QStringLiteral("PROVA SCHERMO"));
  QCOMPARE(FromUtf8(row.gius[2]), QStringLiteral("P"));
  QCOMPARE(FromUtf8(row.gius[3]), QStringLiteral("1"));
  QCOMPARE(FromUtf8(row.gius[5]), QStringLiteral("PS1"));
  QCOMPARE(FromUtf8(row.gius[6]), QStringLiteral("C"));
  QCOMPARE(FromUtf8(row.gius[7]), QStringLiteral("5T"));
  QCOMPARE(FromUtf8(row.gius[8]), QStringLiteral(" 3"));
  QCOMPARE(FromUtf8(row.gius[9]), formula);
  QCOMPARE(FromUtf8(row.gius[14]), QStringLiteral("510"));
  QCOMPARE(FromUtf8(row.gius[15]), QStringLiteral("0"));
  QVERIFY(Widget(h, "FrameGiustificativi", 2)->isVisible());
  QVERIFY(RowStartingWith(records, QStringLiteral("097 PROVA SCHERMO")) > 0);
  QVERIFY(h.session.db().DeleteJustification("097").ok());
}

void TablesScreenTest::JustificationInUseIsKeptUnusedIsDeleted() {
  Harness h;
  AttendanceDb& db = h.session.db();
  JustificationRow added;
  added.code = "096";
  added.gius[1] = "USATO";
  added.gius[2] = "A";
  QVERIFY(db.SaveJustification(added).ok());
  DayRow day;
  day.employee = "0010010001";
  day.period = "20240603";
  day.SlotCode(7) = "096";
  QVERIFY(db.SaveDay(day).ok());

  QListWidget* records = OpenTable(h, 1);
  const int row = RowStartingWith(records, QStringLiteral("096 "));
  Harness::ClickRow(records, row);
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  h.Click("CmdElimina");
  QCOMPARE(Texts(h),
           (QStringList{"Eliminare il giustificativo : 096 USATO",
                        "Impossibile eliminare il codice giustificativo selezionato in quanto "
                        "utilizzato nelle presenze del mese o dei mesi precedenti"}));
  QVERIFY(!h.Find<QWidget>("FrameAttesa")->isVisible());
  QVERIFY(db.FindJustification("096")->has_value());

  // Unused: a No keeps it, a Yes deletes it.
  QVERIFY(db.DeleteDay(day.employee, day.period).ok());
  Harness::ClickRow(records, RowStartingWith(records, QStringLiteral("096 ")));
  h.dialogs.QueueAnswers({false});
  h.Click("CmdElimina");
  QVERIFY(db.FindJustification("096")->has_value());
  h.dialogs.QueueAnswers({true});
  h.Click("CmdElimina");
  QVERIFY(!db.FindJustification("096")->has_value());
  QCOMPARE(RowStartingWith(records, QStringLiteral("096 ")), -1);
}

void TablesScreenTest::GroupHoursMaskAndGoingBackWithUnsavedChanges() {
  Harness h;
  QListWidget* records = OpenTable(h, 2);
  Harness::DoubleClickRow(records, 0);
  TableBox* code = Box(h, "TextDescGruppo", 0);
  for (int day = 2; day <= 8; ++day) QCOMPARE(Box(h, "TextGruppo", day)->text(), QStringLiteral("00:00"));
  QTest::keyClicks(code, QStringLiteral("77"));
  Leave(code);
  QCOMPARE(code->text(), QStringLiteral("077"));
  Type(Box(h, "TextDescGruppo", 1), "turno prova");

  // The hours mask: digits over "00:00" from the start, the colon skipped; a first digit
  // above 4 is refused; 49 hours are refused when the entry ends, and the box keeps the focus.
  TableBox* monday = Box(h, "TextGruppo", 2);
  monday->setFocus(Qt::TabFocusReason);
  QCOMPARE(monday->back_colour(), 65535L);
  QTest::keyClicks(monday, QStringLiteral("9"));
  QCOMPARE(monday->text(), QStringLiteral("00:00"));
  QTest::keyClicks(monday, QStringLiteral("0730"));
  QCOMPARE(monday->text(), QStringLiteral("07:30"));
  Leave(monday);
  QCOMPARE(monday->back_colour(), 16777215L);
  TableBox* tuesday = Box(h, "TextGruppo", 3);
  QVERIFY(tuesday->hasFocus());
  h.TakeTexts();
  QTest::keyClicks(tuesday, QStringLiteral("49"));
  Leave(tuesday);
  QCOMPARE(Texts(h), QStringList{"ERRORE HH:MM"});
  QVERIFY(tuesday->hasFocus());
  QTest::keyClick(tuesday, Qt::Key_Backspace);
  QCOMPARE(tuesday->text(), QStringLiteral("  :  "));
  QTest::keyClicks(tuesday, QStringLiteral("8"));  // refused: the hours start at 0-4
  QTest::keyClicks(tuesday, QStringLiteral("08"));
  Leave(tuesday);
  QCOMPARE(tuesday->text(), QStringLiteral("08:00"));

  // Going back with the new group half typed asks to save; No drops it. (The button is
  // disabled while the panel is open; the event itself is what is checked here.)
  h.TakeTexts();
  h.dialogs.QueueAnswers({false});
  h.form->tables_screen().CmdSelPrec_Click();
  QCOMPARE(Texts(h), QStringList{kQuestion});
  QVERIFY(!h.session.db().FindGroup("077")->has_value());
  QVERIFY(h.Find<QListWidget>("ListTabelle")->isEnabled());
  QCOMPARE(Box(h, "TextGruppo", 2)->text(), QStringLiteral("00:00"));

  // Cancelling a typed group with Yes saves it first; the untouched days are "00:00".
  Harness::ClickRow(h.Find<QListWidget>("ListTabelle"), 2);
  Harness::DoubleClickRow(records, 0);
  Type(code, "77");
  Type(Box(h, "TextDescGruppo", 1), "turno prova");
  h.dialogs.QueueAnswers({true});
  h.Click("cmdAnnullaGruppo");
  QCOMPARE(Texts(h), QStringList{kQuestion});
  Result<std::optional<GroupRow>> saved = h.session.db().FindGroup("077");
  QVERIFY(saved.ok() && saved->has_value());
  QCOMPARE(FromUtf8((*saved)->grup[1]), QStringLiteral("TURNO PROVA"));
  for (int day = 2; day <= 8; ++day) QCOMPARE(FromUtf8((*saved)->grup[static_cast<size_t>(day)]), QStringLiteral("00:00"));
  QVERIFY(!Widget(h, "FrameGruppi", 1)->isEnabled());

  // Editing it and cancelling with No shows the stored row again.
  const int row = RowStartingWith(records, QStringLiteral("077 "));
  Harness::DoubleClickRow(records, row);
  Type(Box(h, "TextDescGruppo", 1), "altro");
  h.dialogs.QueueAnswers({false});
  h.Click("cmdAnnullaGruppo");
  QCOMPARE(Box(h, "TextDescGruppo", 1)->text(), QStringLiteral("TURNO PROVA"));
  QCOMPARE(FromUtf8((*h.session.db().FindGroup("077"))->grup[1]), QStringLiteral("TURNO PROVA"));
  QVERIFY(h.session.db().DeleteGroup("077").ok());
}

void TablesScreenTest::LeavingTheProgramWithARefusedSaveStays() {
  Harness h;
  QListWidget* records = OpenTable(h, 0);
  Harness::DoubleClickRow(records, 0);
  TableBox* code = Box(h, "TextFestivita", 0);
  QTest::keyClicks(code, QStringLiteral("12"));  // still in the box: not padded yet

  // Yes: the save is refused, so the program stays on the panel with what was typed.
  h.TakeTexts();
  h.dialogs.QueueAnswers({true});
  QVERIFY(!h.form->Leave());
  QCOMPARE(Texts(h), (QStringList{kQuestion, "Attenzione il Codice deve essere di 4 caratteri (MMAA)"}));
  QVERIFY(!h.form->ended());
  QCOMPARE(code->text(), QStringLiteral("12"));
  QVERIFY(Widget(h, "FrameFestivita", 1)->isEnabled());

  // No: the changes are dropped and the program ends.
  h.dialogs.QueueAnswers({false});
  QVERIFY(h.form->Leave());
  QCOMPARE(Texts(h), QStringList{kQuestion});
  QVERIFY(h.form->ended());
}

void TablesScreenTest::PrintsTheChosenTable() {
  Harness h;
  auto printer = std::make_unique<RecordingPrinterJob>();
  RecordingPrinterJob* recorded = printer.get();
  h.session.AttachPrinter(std::move(printer));
  OpenTable(h, 2);
  h.TakeTexts();
  h.Click("CmdStampa");
  QCOMPARE(Texts(h), QStringList{"Stampa terminata"});
  QCOMPARE(recorded->printed().size(), size_t{1});
  const RecordingPrinterJob::Document& doc = recorded->printed().front();
  std::vector<GroupRow> rows;
  QVERIFY(h.session.db().ListGroups(&rows).ok());
  std::vector<std::string> expected = {std::string(80, '='),
                                       "ELENCO GRUPPI ORARI PRESENTI NELL'ARCHIVIO",
                                       std::string(80, '=')};
  for (const GroupRow& r : rows) expected.push_back(r.code + " " + r.grup[1]);
  QCOMPARE(doc.Texts(), expected);
  for (const auto& item : doc.items) {
    QCOMPARE(QString::fromStdString(item.font.name), QStringLiteral("Courier New"));
    QCOMPARE(item.font.size, 11.0);
  }
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TablesScreenTest::JustificationPickListFillsTheBox() {
  Harness h;
  auto* area = new QWidget(h.form->frame_selezione());
  area->setGeometry(0, 0, 900, 500);
  auto* box = new QLineEdit(area);
  box->setGeometry(20, 20, 50, 24);
  auto* label = new QLabel(area);
  auto* button = new QPushButton(QStringLiteral("..."), area);
  button->setGeometry(80, 20, 30, 24);
  auto* pick = new JustificationPickBox(*h.form, area);
  pick->Attach(2, button, box, label);
  area->show();
  area->raise();

  std::vector<JustificationRow> rows;
  QVERIFY(h.session.db().ListJustifications(&rows).ok());
  h.Click(button);
  QVERIFY(pick->isVisible());
  QCOMPARE(pick->title(), QStringLiteral("Tabella Giustificativi"));
  QCOMPARE(pick->list()->count(), static_cast<int>(rows.size()));
  QCOMPARE(pick->list()->item(1)->text(), FromUtf8(rows[1].code + " " + rows[1].gius[1]));
  QVERIFY(pick->geometry().left() >= box->geometry().right());
  h.Click(button);  // a second click hides it
  QVERIFY(!pick->isVisible());
  h.Click(button);
  Harness::DoubleClickRow(pick->list(), 1);
  QVERIFY(!pick->isVisible());
  QCOMPARE(box->text(), FromUtf8(rows[1].code));
  QCOMPARE(label->text(), FromUtf8(rows[1].gius[1]));
}

}  // namespace kaveltar::ui::testing

int RunTablesScreenTests(int argc, char** argv) {
  kaveltar::ui::testing::TablesScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tables_screen_test.moc"
