#include "ui/memorize_screen.h"

#include <QApplication>
#include <QDateTime>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <functional>

#include "app/session.h"
#include "base/hours.h"
#include "base/keys.h"
#include "base/text.h"
#include "memorize/memorization.h"
#include "ui/frm_veltar.h"
#include "ui/justification_pick_list.h"
#include "ui/long_job.h"
#include "ui/screen_layout.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {

namespace {

// Captions and texts of the memorization screen (`FrameMemPres`).
constexpr std::string_view kChkCopriFestCaption = "Copri le festività presenti nel periodo";
constexpr std::string_view kChkConsideraCaption =
    "Considera le ore lavorate presenti nella giornata";
constexpr std::string_view kChkAssLungoPeriodoCaption =
    "Spuntare la casella per aprire la gestione dei giustificativi di assenza per lungo periodo. "
    "In questa sezione si potranno assegnare fino a tre giustificativi per quelle assenze che si "
    "potraggono per più giorni nel mese";
constexpr std::string_view kChkoreExplanation =
    "Per default, i giustificativi assegnati coprono l'intera giornata lavorativa, assegnando le "
    "ore necessarie in base al gruppo orario associato. Se si vuole specificare un numero di ore "
    "differente selezionare la casella qui a fianco -->";

// A day box of the long-period rows: digits only, at most two (the numeric key filter).
class DayBox : public QLineEdit {
 public:
  DayBox(QWidget* parent, std::function<void()> left)
      : QLineEdit(QString::fromLatin1(kEmptyDayBox.data(), 2), parent), left_(std::move(left)) {
    setMaxLength(2);
    setAlignment(Qt::AlignCenter);
    setFixedWidth(30);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = TypedKey(event);
    if (key == 0 || key == kKeyEnter || key == kKeyTab || key == kKeyEscape) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    if (key != kKeyBackspace && (key < '0' || key > '9')) return;
    // What stays of the box once the key replaces the selection.
    QString kept = text();
    if (hasSelectedText()) kept.remove(selectionStart(), selectedText().size());
    const NumericKeyOutcome out = FilterNumericKey(ToUtf8(kept), key, false, 0, 2);
    if (out.clear_box) clear();
    if (out.key != 0) QLineEdit::keyPressEvent(event);
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    if (LeftByOperator(event->reason()) && left_) left_();
  }

 private:
  std::function<void()> left_;
};

// An hours box "HH:MM" under the hours keyboard mask; completed when left.
class HoursBox : public QLineEdit {
 public:
  HoursBox(QWidget* parent, Dialogs& dialogs)
      : QLineEdit(QString::fromLatin1(kEmptyHoursBox.data(), 5), parent), dialogs_(dialogs) {
    setMaxLength(5);
    setAlignment(Qt::AlignCenter);
    setFixedWidth(48);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = TypedKey(event);
    if (key == 0 || key == kKeyTab || key == kKeyEscape) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    const HoursMaskOutcome out =
        HoursMaskKey(ToUtf8(text()), cursorPosition(), key, HoursBlank::kTable);
    setText(FromUtf8(out.text));
    setCursorPosition(out.caret);
    if (out.action == HoursMaskOutcome::Action::kBeep) QApplication::beep();
    if (out.action == HoursMaskOutcome::Action::kInvalid) {
      dialogs_.Show(kHoursMaskError, kHoursErrorTitle, MessageIcon::kCritical);
    }
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    if (LeftByOperator(event->reason())) setText(FromUtf8(CompleteHoursText(ToUtf8(text()))));
  }

 private:
  Dialogs& dialogs_;
};

int DayOf(const QLineEdit* box) { return box->text().trimmed().toInt(); }

// The hourglass for the life of the object.
struct Hourglass {
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;
};

QLabel* SmallLabel(QWidget* parent, std::string_view text, const char* name) {
  auto* label = new QLabel(FromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 0.8);
  label->setFont(font);
  return label;
}

}  // namespace

MemorizeScreen::MemorizeScreen(FRMVELTAR& form)
    : SelectionScreen(form, Screen::kMemorize, "FrameMemorizza", "Memorizza le Presenze del Mese") {
  BuildWidgets();
  LayOutScreen();
  BuildOptions(frame_mem_pres_[0]);
  ConnectScreen();
}

void MemorizeScreen::BuildWidgets() {
  QGroupBox* f = frame_;
  // The two option frames of the memorization, at the top of the screen above the lists.
  for (int i = 0; i < 2; ++i) {
    frame_mem_pres_[static_cast<size_t>(i)] = new QGroupBox(f);
    SetArrayName(frame_mem_pres_[static_cast<size_t>(i)], "FrameMemPres", i);
  }

  companies_ = NewList(f, "ListAziMem", QAbstractItemView::ExtendedSelection);
  company_order_ = NewOrderOption(f, "OptOrdAziMem", "Codice", "Ragione Sociale");
  employees_ = NewList(f, "ListDipSel");
  list_dip_mem_ = NewList(f, "ListDipMem");
  months_ = NewMonthList(f, "ListMesiMem", session_.installation().processing_month);
  year_ = new YearBox(f, "LabAnnoMem", "CmdAnnoMem", session_.installation().processing_year,
                      form_.dialogs());

  chk_seltutti_azidip_ = NewCheck(f, "ChkSeltuttiAZIDIP", "Selezione tutte le Ditte");
  chk_seltutto_mem_ = NewCheck(f, "ChkSeltuttoMem", "Selezione tutti i Dipendenti");
  cmd_cancella_lista_ = NewButton(f, "CmdCancellaLista", "Rimuovi tutti i Dipendenti");
  cmd_rit_mem_ = NewButton(f, "CmdRitMem", "Ritorna alle Selezioni Precedenti");

  // The counts of the last run, between the exit entries and the return button.
  lab_esito_ = new QLabel(f);
  lab_esito_->setObjectName(QStringLiteral("LabEsitoMemorizza"));
  lab_esito_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void MemorizeScreen::LayOutScreen() {
  QGroupBox* f = frame_;
  // Top band: the option frames (one shown at a time) on the left, the year on the right.
  auto* top = new QHBoxLayout;
  top->addWidget(Pages(f, {frame_mem_pres_[0], frame_mem_pres_[1]}), 5);
  auto* year_column = new QVBoxLayout;
  year_column->addWidget(NewLabel(f, "ANNO"), 0, Qt::AlignHCenter);
  year_column->addWidget(year_);
  year_column->addStretch(1);
  top->addStretch(1);
  top->addLayout(year_column);
  top->addStretch(1);

  auto* lists = new QGridLayout;
  lists->setHorizontalSpacing(8);
  lists->addLayout(Headed(f, "SELEZIONE DITTE", companies_), 0, 0);
  lists->addLayout(Headed(f, "SELEZIONE DIPENDENTI", employees_), 0, 1);
  lists->addLayout(Headed(f, "DIPENDENTI DA ELABORARE", list_dip_mem_), 0, 2);
  lists->addLayout(Headed(f, "MESE", months_), 0, 3);
  lists->addLayout(Row({company_order_->button(0), company_order_->button(1)}), 1, 0);
  lists->addWidget(chk_seltutti_azidip_, 2, 0);
  lists->addWidget(chk_seltutto_mem_, 1, 1);
  lists->addWidget(cmd_cancella_lista_, 1, 2, Qt::AlignLeft);
  lists->setColumnStretch(0, 26);
  lists->setColumnStretch(1, 30);
  lists->setColumnStretch(2, 30);
  lists->setColumnStretch(3, 9);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(form_.NewMenuButton(8, f));
  bottom->addWidget(form_.NewMenuButton(9, f));
  bottom->addStretch(1);
  bottom->addWidget(lab_esito_);
  bottom->addStretch(1);
  bottom->addWidget(cmd_rit_mem_);

  auto* column = new QVBoxLayout(f);
  column->setContentsMargins(8, 4, 8, 8);
  column->addLayout(top);
  column->addLayout(lists, 1);
  column->addLayout(bottom);
}

void MemorizeScreen::ConnectScreen() {
  Connect();
  connect(employees_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ListDipSel_DblClick(employees_->row(item)); });
  connect(list_dip_mem_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ListDipMem_DblClick(list_dip_mem_->row(item)); });
  connect(chk_seltutto_mem_, &QCheckBox::clicked, this, [this] { ChkSeltuttoMem_Click(); });
  connect(chk_seltutti_azidip_, &QCheckBox::clicked, this, [this] { ChkSeltuttiAZIDIP_Click(); });
  connect(cmd_cancella_lista_, &QPushButton::clicked, this, [this] { CmdCancellaLista_Click(); });
  connect(cmd_rit_mem_, &QPushButton::clicked, this, [this] { form_.ReturnToMenu(frame_); });
}

void MemorizeScreen::BuildOptions(QGroupBox* frame) {
  check_elabora_ = new QCheckBox(FromUtf8(kCheckElaboraCaption), frame);
  check_elabora_->setObjectName(QStringLiteral("CheckElabora"));
  chk_copri_fest_ = new QCheckBox(FromUtf8(kChkCopriFestCaption), frame);
  chk_copri_fest_->setObjectName(QStringLiteral("ChkCopriFest"));
  chk_considera_ = new QCheckBox(FromUtf8(kChkConsideraCaption), frame);
  chk_considera_->setObjectName(QStringLiteral("ChkConsidera"));
  // The long caption of ChkAssLungoPeriodo wraps beside the box; a click on it ticks the box.
  chk_ass_lungo_periodo_ = new QCheckBox(frame);
  chk_ass_lungo_periodo_->setObjectName(QStringLiteral("ChkAssLungoPeriodo"));
  chk_ass_lungo_periodo_->setAccessibleName(FromUtf8(kChkAssLungoPeriodoCaption));
  QLabel* ass_caption = SmallLabel(frame, kChkAssLungoPeriodoCaption, "LabAssLungoPeriodo");
  ass_caption->setBuddy(chk_ass_lungo_periodo_);
  cmd_memorizza_ = new QPushButton(QStringLiteral("Memorizza"), frame);
  cmd_memorizza_->setObjectName(QStringLiteral("CmdMemorizza"));

  BuildLongPeriodSection(frame);

  auto* options = new QVBoxLayout;
  options->setSpacing(1);
  options->addWidget(check_elabora_);
  options->addWidget(chk_copri_fest_);
  options->addWidget(chk_considera_);
  auto* ass = new QHBoxLayout;
  ass->addWidget(chk_ass_lungo_periodo_, 0, Qt::AlignTop);
  ass->addWidget(ass_caption, 1);
  options->addLayout(ass);
  options->addStretch(1);
  options->addWidget(cmd_memorizza_, 0, Qt::AlignLeft);

  auto* band = new QHBoxLayout(frame);
  band->setContentsMargins(6, 2, 6, 4);
  band->addLayout(options, 5);
  band->addWidget(section_, 6, Qt::AlignTop);

  // The pick list opens beside a code box, inside the whole screen so it has room.
  pick_box_ = new JustificationPickBox(form_, frame_);
  for (int i = 0; i < kLongPeriodRows; ++i) {
    const size_t k = static_cast<size_t>(i);
    pick_box_->Attach(i, cmdaprilist_[k], cmbgius_[k], descriptions_[k]);
  }

  connect(chk_ass_lungo_periodo_, &QCheckBox::clicked, this,
          [this] { ChkAssLungoPeriodo_Click(); });
  connect(cmd_memorizza_, &QPushButton::clicked, this, [this] { CmdMemorizza_Click(); });
  // A click on the caption is a click on its box.
  ass_caption->installEventFilter(this);
}

void MemorizeScreen::BuildLongPeriodSection(QWidget* frame) {
  // The section: three rows of code (with its pick list), first and last day, hours.
  section_ = new QWidget(frame);
  section_->setObjectName(QStringLiteral("FrameAssLungoPeriodo"));
  auto* rows = new QGridLayout(section_);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setHorizontalSpacing(4);
  rows->setVerticalSpacing(2);
  rows->addWidget(NewLabel(section_, "Giustificativo"), 0, 0, 1, 3);
  rows->addWidget(NewLabel(section_, "Dal"), 0, 3, Qt::AlignHCenter);
  rows->addWidget(NewLabel(section_, "Al"), 0, 4, Qt::AlignHCenter);
  QLabel* hours_heading = NewLabel(section_, "Ore", "LabOreGius");
  rows->addWidget(hours_heading, 0, 5, Qt::AlignHCenter);
  for (int i = 0; i < kLongPeriodRows; ++i) {
    const size_t k = static_cast<size_t>(i);
    cmdaprilist_[k] = new QPushButton(QStringLiteral("..."), section_);
    SetArrayName(cmdaprilist_[k], "CMDAPRILIST", i);
    cmdaprilist_[k]->setFixedWidth(26);
    cmbgius_[k] = new QLineEdit(section_);
    SetArrayName(cmbgius_[k], "CMBGIUS", i);
    cmbgius_[k]->setMaxLength(3);
    cmbgius_[k]->setFixedWidth(40);
    descriptions_[k] = new QLabel(section_);
    SetArrayName(descriptions_[k], "LabGius", i);
    descriptions_[k]->setMinimumWidth(120);
    dalla_data_[k] = new DayBox(section_, [this, i] { DallaData_LostFocus(i); });
    SetArrayName(dalla_data_[k], "DallaData", i);
    alla_data_[k] = new DayBox(section_, [this, i] { AllaData_LostFocus(i); });
    SetArrayName(alla_data_[k], "AllaData", i);
    ore_gius_[k] = new HoursBox(section_, form_.dialogs());
    SetArrayName(ore_gius_[k], "OreGius", i);
    ore_gius_[k]->hide();
    rows->addWidget(cmdaprilist_[k], i + 1, 0);
    rows->addWidget(cmbgius_[k], i + 1, 1);
    rows->addWidget(descriptions_[k], i + 1, 2);
    rows->addWidget(dalla_data_[k], i + 1, 3);
    rows->addWidget(alla_data_[k], i + 1, 4);
    rows->addWidget(ore_gius_[k], i + 1, 5);
  }
  chkore_ = new QCheckBox(section_);
  chkore_->setObjectName(QStringLiteral("chkore"));
  QLabel* chkore_text = SmallLabel(section_, kChkoreExplanation, "Labchkore");
  chkore_text->setBuddy(chkore_);
  rows->addWidget(chkore_text, kLongPeriodRows + 1, 0, 1, 5);
  rows->addWidget(chkore_, kLongPeriodRows + 1, 5, Qt::AlignHCenter);
  rows->setColumnStretch(2, 1);
  section_->setEnabled(false);
  section_->hide();
  // The section's room is kept while it is hidden: ticking the box does not move the lists.
  QSizePolicy keep = section_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  section_->setSizePolicy(keep);

  connect(chkore_, &QCheckBox::clicked, this, [this] { chkore_Click(); });
  // A click on the caption is a click on its box.
  chkore_text->installEventFilter(this);
}

bool MemorizeScreen::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (auto* label = qobject_cast<QLabel*>(watched)) {
      if (auto* box = qobject_cast<QCheckBox*>(label->buddy());
          box != nullptr && box->isEnabled()) {
        box->click();
        return true;
      }
    }
  }
  return SelectionScreen::eventFilter(watched, event);
}

MemorizeOptions MemorizeScreen::Options() const {
  MemorizeOptions o;
  o.year = year();
  o.month = month();
  o.rewrite_existing = check_elabora_->isChecked();
  o.day.cover_holidays = chk_copri_fest_->isChecked();
  o.day.consider_worked_hours = chk_considera_->isChecked();
  o.day.use_typed_hours = chkore_->isChecked();
  for (int i = 0; i < kLongPeriodRows; ++i) {
    const size_t k = static_cast<size_t>(i);
    o.day.rows[k] = {ToUtf8(cmbgius_[k]->text().trimmed()), DayOf(dalla_data_[k]),
                     DayOf(alla_data_[k]), ToUtf8(ore_gius_[k]->text().trimmed())};
  }
  return o;
}

void MemorizeScreen::ResetRows() {
  for (int i = 0; i < kLongPeriodRows; ++i) {
    const size_t k = static_cast<size_t>(i);
    cmbgius_[k]->clear();
    descriptions_[k]->clear();
    dalla_data_[k]->setText(FromUtf8(kEmptyDayBox));
    alla_data_[k]->setText(FromUtf8(kEmptyDayBox));
    ore_gius_[k]->setText(FromUtf8(kEmptyHoursBox));
  }
}

void MemorizeScreen::ChkAssLungoPeriodo_Click() {
  if (chk_ass_lungo_periodo_->isChecked()) {
    section_->setEnabled(true);
    section_->show();
    return;
  }
  ResetRows();
  pick_box_->hide();
  section_->setEnabled(false);
  section_->hide();
}

void MemorizeScreen::chkore_Click() {
  const bool shown = chkore_->isChecked();
  for (QLineEdit* box : ore_gius_) {
    if (!shown) box->setText(FromUtf8(kEmptyHoursBox));
    box->setVisible(shown);
  }
}

void MemorizeScreen::DallaData_LostFocus(int index) { DayLostFocus(index, false); }
void MemorizeScreen::AllaData_LostFocus(int index) { DayLostFocus(index, true); }

void MemorizeScreen::DayLostFocus(int index, bool last) {
  if (index < 0 || index >= kLongPeriodRows) return;
  QLineEdit* box = (last ? alla_data_ : dalla_data_)[static_cast<size_t>(index)];
  box->setText(FromUtf8(FormatDayBox(ToUtf8(box->text()))));
  LongPeriodRows rows(year(), month());
  const MemorizeOptions options = Options();
  for (int i = 0; i < kLongPeriodRows; ++i)
    rows.set_row(i, options.day.rows[static_cast<size_t>(i)]);
  const std::string_view problem = rows.CheckDay(index, last);
  if (problem.empty()) return;
  form_.dialogs().Show(problem, kProductName, MessageIcon::kExclamation);
  box->setText(FromUtf8(kEmptyDayBox));
  box->setFocus(Qt::OtherFocusReason);
}

void MemorizeScreen::CmdMemorizza_Click() {
  MemorizeRequest request;
  request.company_selected = !companies_->selectedItems().isEmpty();
  request.keys = EntryCodes(selection_.entries());
  request.options = Options();
  request.check_elabora_caption = ToUtf8(check_elabora_->text());
  MemorizeStart started = MemorizeStart::kDeclined;
  form_.Guard([&] {
    Hourglass hourglass;
    JobProgress* progress = nullptr;
    MemorizationHooks hooks;
    hooks.progress = [&](size_t index, size_t total, std::string_view key) {
      if (progress != nullptr)
        progress->Report(index, total,
                         key.empty() ? std::string() : "Dipendente " + std::string(key));
    };
    hooks.run_loop = [&](const std::function<void()>& loop) {
      form_.RunJob([&](JobProgress& p) {
        progress = &p;
        loop();
      });
      progress = nullptr;
    };
    MemorizationResult result;
    auto reset = [&] {
      lab_esito_->setText(
          FromUtf8(MemorizationSummary(result, request.options.year, request.options.month,
                                       session_.printer().last_destination()))
              .trimmed());
      selection_ = MemorizeSelection();
      ShowSelection(-1);
      check_elabora_->setChecked(false);
      if (companies_->count() >= 2) {
        // Selecting the first company is a click on it.
        companies_->clearSelection();
        if (companies_->currentRow() == 0) {
          companies_->item(0)->setSelected(true);
          RebuildEmployees();
        } else {
          companies_->setCurrentRow(0);
        }
      }
    };
    started = StartMemorization(session_.job(), request, hooks, reset, &result);
  });
  if (started != MemorizeStart::kCompleted) return;
  for (QCheckBox* box : {chk_seltutto_mem_, chk_ass_lungo_periodo_}) {
    const QSignalBlocker blocker(box);
    box->setChecked(false);
  }
  ChkAssLungoPeriodo_Click();
}

void MemorizeScreen::Enter() {
  frame_mem_pres_[0]->show();
  frame_mem_pres_[1]->hide();
  for (QCheckBox* box : {chk_seltutto_mem_, chk_seltutti_azidip_}) {
    const QSignalBlocker blocker(box);
    box->setChecked(false);
  }
  for (QListWidget* list : {companies_, employees_, list_dip_mem_}) {
    const QSignalBlocker blocker(list);
    list->clearSelection();
    list->setCurrentRow(-1);
  }
  // Selecting the first company is a click on it: its employees are listed.
  if (companies_->count() > 0) companies_->setCurrentRow(0);
}

void MemorizeScreen::ShowSelection(int selected) {
  SetEntries(list_dip_mem_, selection_.entries());
  if (selected >= 0) {
    const QSignalBlocker blocker(list_dip_mem_);
    list_dip_mem_->setCurrentRow(selected);
  }
}

void MemorizeScreen::ListDipSel_DblClick(int row) {
  const ListEntry entry = EntryAt(employees_, row);
  if (entry.code.empty()) return;
  ShowSelection(static_cast<int>(selection_.Add(entry)));
}

void MemorizeScreen::ListDipMem_DblClick(int row) {
  if (row < 0 || row >= list_dip_mem_->count()) return;
  selection_.Remove(static_cast<size_t>(row));
  ShowSelection(-1);
}

void MemorizeScreen::ChkSeltuttoMem_Click() {
  if (!chk_seltutto_mem_->isChecked()) return;
  selection_.AddAll(AllEntries(employees_));
  ShowSelection(-1);
  const QSignalBlocker blocker(chk_seltutto_mem_);
  chk_seltutto_mem_->setChecked(false);
}

void MemorizeScreen::ChkSeltuttiAZIDIP_Click() {
  if (!chk_seltutti_azidip_->isChecked()) return;
  const bool done = form_.Guard([this] {
    // The screen is hidden while the waiting panel stands in for it.
    struct HiddenWhileWorking {
      QWidget* frame;
      ~HiddenWhileWorking() { frame->show(); }
    } hidden{frame_};
    frame_->hide();
    auto wait = form_.Wait();
    for (const ListEntry& company : AllEntries(companies_))
      selection_.AddAll(EmployeesOf(company.code));
  });
  if (!done) return;
  // The candidates list again shows the company selected on the screen.
  form_.Guard([this] { RebuildEmployees(); });
  ShowSelection(-1);
  form_.dialogs().Show("Selezione terminata", kProductName, MessageIcon::kInformation);
}

void MemorizeScreen::CmdCancellaLista_Click() {
  selection_.AskAndClear(form_.dialogs());
  ShowSelection(-1);
}

}  // namespace kaveltar::ui
