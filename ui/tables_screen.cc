#include "ui/tables_screen.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "app/session.h"
#include "base/run_time_error.h"
#include "tables/listing.h"
#include "tables/uniemens.h"
#include "tables/utf8_text.h"
#include "ui/frm_veltar.h"
#include "ui/list_widgets.h"
#include "ui/screen_layout.h"
#include "ui/twips.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {
namespace {

// The right-hand side of the screen, where IMPOSTAZIONIFORM puts the help frame and the
// tables' frames: from 4950 twips on.
constexpr int kLeftColumnTwips = 4950;

// A database failure in the middle of an event is an unexpected error for the general
// handler, as a failing table cursor was.
void Check(const Status& status) {
  if (!status.ok()) ThrowDatabaseError(status, {});
}
template <class T>
T Take(Result<T> result) {
  Check(result.status());
  return std::move(*result);
}

QLabel* NewWrappedLabel(QWidget* parent, const QString& name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  return label;
}

// Sets the list's lines (UTF-8) without emitting its selection signals.
void ShowLines(QListWidget* list, const std::vector<std::string>& lines) {
  const QSignalBlocker blocker(list);
  list->clear();
  for (const std::string& line : lines) list->addItem(FromUtf8(line));
  list->setCurrentRow(-1);
}

// A validator that takes digits only, for the code boxes.
QValidator* DigitsOnly(QWidget* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

void SelectRow(QListWidget* list, int row) {
  if (list->currentRow() == row) return;
  const QSignalBlocker blocker(list);
  list->setCurrentRow(row);
}

void SetComboIndex(QComboBox* combo, int index) {
  if (combo->currentIndex() == index) return;
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(index);
}

void SetChecked(QAbstractButton* button, bool checked) {
  if (button->isChecked() == checked) return;
  const QSignalBlocker blocker(button);
  button->setChecked(checked);
}

}  // namespace

// --- TableBox ---

TableBox::TableBox(QWidget* parent, const char* name, int index, Mode mode)
    : QLineEdit(parent), mode_(mode) {
  SetArrayName(this, name, index);
  SetBackColour(kNormalBoxColour);
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { Changed(text); });
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    // Pasted letters are upper case as typed ones are.
    if (upper_case) {
      const std::string upper = tables_internal::UpperText(ToUtf8(text));
      if (upper != ToUtf8(text)) {
        const int caret = cursorPosition();
        setText(FromUtf8(upper));
        setCursorPosition(caret);
      }
    }
    if (white_on_change) SetBackColour(kNormalBoxColour);
  });
}

void TableBox::SetBackColour(long colour) {
  back_colour_ = colour;
  QPalette p = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Base, WindowsColour(colour));
    p.setColor(group, QPalette::Text, Qt::black);
  }
  setPalette(p);
  setProperty("BackColor", static_cast<qlonglong>(colour));
}

void TableBox::ShowText(std::string_view text) {
  const QString shown = FromUtf8(text);
  if (this->text() == shown) return;
  showing_ = true;
  setText(shown);
  showing_ = false;
}

void TableBox::Changed(const QString& text) {
  if (showing_ || !change) return;
  change(ToUtf8(text));
}

bool TableBox::HoursKey(int key) {
  if (!hours_key) return true;
  const HoursMaskOutcome out = hours_key(cursorPosition(), key);
  if (text() != FromUtf8(out.text)) setText(FromUtf8(out.text));
  setCursorPosition(out.caret);
  if (out.action == HoursMaskOutcome::Action::kBeep) QApplication::beep();
  return out.action != HoursMaskOutcome::Action::kInvalid;
}

bool TableBox::event(QEvent* event) {
  // Tab ends the entry of an hours box like Enter; a refused entry keeps the focus.
  if (event->type() == QEvent::KeyPress && mode_ == Mode::kHours) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        !text().trimmed().isEmpty()) {
      const bool accepted = HoursKey(kKeyTab);
      if (after_event) after_event();
      if (!accepted) return true;
    }
  }
  return QLineEdit::event(event);
}

void TableBox::keyPressEvent(QKeyEvent* event) {
  // Tab moves the focus (an hours box ends its entry in event() first).
  const int typed = TypedKey(event);
  const int key = typed == kKeyTab ? 0 : typed;
  if (mode_ == Mode::kHours) {
    if (key == 0) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    HoursKey(key);
  } else {
    if (key == 0 || key == kKeyEnter || key == kKeyEscape || !key_press) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    const KeyOutcome out = key_press(key);
    if (out.clear_box && !text().isEmpty()) clear();
    if (out.key == kKeyBackspace) {
      QLineEdit::keyPressEvent(event);
    } else if (out.key != 0) {
      const char32_t c = static_cast<char32_t>(out.key);
      insert(QString::fromUcs4(&c, 1));
    }
  }
  if (after_event) after_event();
}

void TableBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (!LeftByOperator(event->reason())) return;
  SetBackColour(kFocusBoxColour);
  // The whole text selected; an hours box keeps its caret at the start, where the mask
  // writes the first digit. A mouse click would place the caret after this, so the
  // selection is made again once the click is over.
  auto select = [this] {
    if (!hasFocus()) return;
    if (mode_ == Mode::kHours) {
      setSelection(static_cast<int>(text().size()), -static_cast<int>(text().size()));
    } else {
      selectAll();
    }
  };
  select();
  if (event->reason() == Qt::MouseFocusReason) QTimer::singleShot(0, this, select);
}

void TableBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (!LeftByOperator(event->reason())) return;
  SetBackColour(kNormalBoxColour);
  if (lost_focus) lost_focus();
  if (after_event) after_event();
}

// --- TablesScreen ---

TablesScreen::TablesScreen(FRMVELTAR& form) : form_(form) {
  Session& session = form.session();
  formulas_ = std::make_unique<FormulaArchive>(session.archives(), session.codec());
  logic_ = std::make_unique<kaveltar::TablesScreen>(session.db(), form.dialogs(), *formulas_);
  // The search of the stored days before a deletion runs under the waiting panel.
  logic_->set_busy_runner([this](const std::function<void()>& work) {
    auto wait = form_.Wait();
    work();
  });

  frame_ = new QGroupBox(QStringLiteral("Gestione Tabelle Programma"), form.frame_selezione());
  frame_->setObjectName(QStringLiteral("FrameTabelle"));
  frame_->setAutoFillBackground(true);

  // The help frame and the three tables' frames share the right-hand side.
  frame_help_ = NewFrame(frame_, QStringLiteral("FrameHelpTabelle"), "");
  auto* help = new QVBoxLayout(frame_help_);
  QLabel* info = NewLabel(frame_help_, kaveltar::TablesScreen::kHelpHeading.data());
  info->setFont(Bold(info->font()));
  help->addWidget(info);
  for (std::string_view line : kaveltar::TablesScreen::kHelpLines) {
    QLabel* text = NewWrappedLabel(frame_help_, QString());
    text->setText(FromUtf8(line));
    help->addWidget(text);
  }
  help->addStretch(1);

  BuildLeftColumn();
  BuildHolidays();
  BuildJustifications();
  BuildGroups();
  FillUniemensList();
  // Right of the column, one at a time: the help, or the open table.
  auto* outer = static_cast<QHBoxLayout*>(frame_->layout());
  outer->addWidget(Pages(frame_, {frame_help_, fest_.frame, gius_.frame, grup_.frame}), 1);

  // Leaving the program with unsaved changes on a panel (the question is the window's).
  LeavingHooks& hooks = form.leaving_hooks();
  hooks.tables_have_changes = [this] { return logic_->modified(); };
  hooks.save_visible_table = [this] {
    TableForm* f = logic_->form();
    if (f == nullptr) return;
    const SaveOutcome saved = Take(f->Save());
    // A refused save keeps the program open on the panel, with what was typed.
    if (saved != SaveOutcome::kSaved) form_.set_keep_open(true);
    Update();
  };
  hooks.drop_table_changes = [this] {
    if (TableForm* f = logic_->form()) f->set_modified(false);
  };
  Update();
}

TablesScreen::~TablesScreen() {
  // The widgets outlive this object (the window deletes them): a box that loses the focus
  // then must no longer reach the core.
  for (TableBox* box : frame_->findChildren<TableBox*>()) {
    box->key_press = nullptr;
    box->hours_key = nullptr;
    box->change = nullptr;
    box->lost_focus = nullptr;
    box->after_event = nullptr;
  }
  LeavingHooks& hooks = form_.leaving_hooks();
  hooks.tables_have_changes = nullptr;
  hooks.save_visible_table = nullptr;
  hooks.drop_table_changes = nullptr;
}

void TablesScreen::BuildLeftColumn() {
  auto* left = new QWidget(frame_);
  left->setObjectName(QStringLiteral("ColonnaTabelle"));
  left->setFixedWidth(TwipsToPixels(kLeftColumnTwips) - 16);
  auto* column = new QVBoxLayout(left);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(6);

  list_tabelle_ = NewList(left, "ListTabelle");
  // The lists take the focus only from the mouse: a list entered with Tab would choose its
  // first entry by itself.
  list_tabelle_->setFocusPolicy(Qt::ClickFocus);
  list_tabelle_->setFixedHeight(QFontMetrics(list_tabelle_->font()).lineSpacing() * 3 + 12);
  column->addLayout(Headed(left, "TABELLE DEL PROGRAMMA", list_tabelle_));

  list_record_ = NewList(left, "ListRecord");
  list_record_->setFocusPolicy(Qt::ClickFocus);
  list_sides_ = new QWidget(left);
  auto* sides = new QVBoxLayout(list_sides_);
  sides->setContentsMargins(0, 0, 0, 0);
  const struct {
    QGroupBox** side;
    const char* name;
    const char* caption;
  } kSides[] = {{&fest_.list_side, "FrameFestivita", "ELENCO FESTIVITA'"},
                {&gius_.list_side, "FrameGiustificativi", "ELENCO GIUSTIFICATIVI"},
                {&grup_.list_side, "FrameGruppi", "ELENCO GRUPPI ORARI"}};
  for (const auto& s : kSides) {
    *s.side = NewFrame(list_sides_, ArrayName(s.name, 0), s.caption);
    (*s.side)->setProperty("index", 0);
    auto* inner = new QVBoxLayout(*s.side);
    inner->setContentsMargins(4, 4, 4, 4);
    (*s.side)->hide();
    sides->addWidget(*s.side);
  }
  column->addWidget(list_sides_, 1);

  cmd_elimina_ = NewButton(left, "CmdElimina", "ELIMINA RECORD");
  cmd_stampa_ = NewButton(left, "CmdStampa", "STAMPA TABELLA");
  cmd_sel_prec_ = NewButton(left, "CmdSelPrec", "Selezioni precedenti");
  cmd_rit_tabelle_ = NewButton(left, "CmdRitTabelle", "Ritorna al Menu Precedente");
  auto* buttons = new QGridLayout;
  buttons->addWidget(cmd_elimina_, 0, 0);
  buttons->addWidget(cmd_stampa_, 0, 1);
  buttons->addWidget(cmd_sel_prec_, 1, 0, 1, 2);
  buttons->addWidget(cmd_rit_tabelle_, 2, 0, 1, 2);
  column->addLayout(buttons);

  auto* outer = new QHBoxLayout(frame_);
  outer->setContentsMargins(8, 4, 8, 8);
  outer->addWidget(left);

  connect(list_tabelle_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ListTabelle_Click(row);
  });
  connect(list_record_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ListRecord_Click(row);
  });
  connect(list_record_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ListRecord_DblClick(list_record_->row(item)); });
  connect(cmd_elimina_, &QPushButton::clicked, this, [this] { CmdElimina_Click(); });
  connect(cmd_stampa_, &QPushButton::clicked, this, [this] { CmdStampa_Click(); });
  connect(cmd_sel_prec_, &QPushButton::clicked, this, [this] { CmdSelPrec_Click(); });
  connect(cmd_rit_tabelle_, &QPushButton::clicked, this, [this] { CmdRitTabelle_Click(); });
}

void TablesScreen::Wire(TableBox* box, std::function<KeyOutcome(int)> key_press,
                        std::function<void(const std::string&)> change,
                        std::function<void()> lost_focus) {
  box->key_press = std::move(key_press);
  box->change = std::move(change);
  box->lost_focus = [this, lost = std::move(lost_focus)] {
    form_.Guard([&] {
      if (lost) lost();
    });
  };
  box->after_event = [this] { Update(); };
}

void TablesScreen::WireHours(TableBox* box, std::function<HoursMaskOutcome(int, int)> hours_key,
                             std::function<void(const std::string&)> change,
                             std::function<void()> lost_focus) {
  box->hours_key = std::move(hours_key);
  Wire(box, nullptr, std::move(change), std::move(lost_focus));
}

void TablesScreen::BuildHolidays() {
  HolidayForm& h = logic_->holidays();
  fest_.frame = NewFrame(frame_, QStringLiteral("FrameFestivita"), "TABELLA FESTIVITA'");
  auto* column = new QVBoxLayout(fest_.frame);

  QGroupBox* help = NewFrame(fest_.frame, QString(), "INFO OPERATIVE");
  auto* help_column = new QVBoxLayout(help);
  for (int i = 0; i < 3; ++i) {
    fest_.help[static_cast<size_t>(i)] = NewWrappedLabel(help, ArrayName("LabelFestivita", i));
    help_column->addWidget(fest_.help[static_cast<size_t>(i)]);
  }
  help_column->addStretch(1);
  column->addWidget(help);
  fest_.help[3] = NewWrappedLabel(fest_.frame, ArrayName("LabelFestivita", 3));
  fest_.help[3]->setFont(Bold(fest_.help[3]->font()));
  column->addWidget(fest_.help[3]);

  fest_.panel = NewFrame(fest_.frame, ArrayName("FrameFestivita", 1),
                         "CREAZIONE MODIFICA E AGGIORNAMENTO FESTIVITA'");
  fest_.panel->setProperty("index", 1);
  auto* grid = new QGridLayout(fest_.panel);
  for (int i = 0; i < 2; ++i) {
    auto* box = new TableBox(fest_.panel, "TextFestivita", i, TableBox::Mode::kText);
    fest_.text[static_cast<size_t>(i)] = box;
    Wire(
        box, [&h, i](int key) { return h.TextFestivita_KeyPress(i, key); },
        [&h, i](const std::string& text) { h.TextFestivita_Change(i, text); },
        [&h, i] { h.TextFestivita_LostFocus(i); });
    box->white_on_change = true;
  }
  fest_.text[0]->setMaxLength(static_cast<int>(HolidayForm::kCodeLength));
  fest_.text[0]->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), fest_.text[0]));
  fest_.text[0]->setFixedWidth(60);
  fest_.text[1]->upper_case = true;
  fest_.text[1]->setMaxLength(50);
  grid->addWidget(NewLabel(fest_.panel, "Codice"), 0, 0);
  grid->addWidget(fest_.text[0], 0, 1, Qt::AlignLeft);
  grid->addWidget(NewLabel(fest_.panel, "Descrizione"), 1, 0);
  grid->addWidget(fest_.text[1], 1, 1);
  QPushButton* save = NewButton(fest_.panel, "CmdSalvaFest", "Memorizza Festività");
  QPushButton* cancel = NewButton(fest_.panel, "CmdAnnullaFest", "Annulla");
  grid->addLayout(Row({save, cancel}), 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  column->addWidget(fest_.panel);
  // The room left goes to the help above, whose lines wrap.
  column->setStretchFactor(help, 1);

  connect(save, &QPushButton::clicked, this, [this, &h] { Run([&h] { Take(h.Save()); }); });
  connect(cancel, &QPushButton::clicked, this, [this, &h] { Run([&h] { Take(h.Cancel()); }); });
}

void TablesScreen::BuildJustifications() {
  gius_.frame = NewFrame(frame_, QStringLiteral("FrameGiustificativi"), "TABELLA GIUSTIFICATIVI");
  auto* column = new QVBoxLayout(gius_.frame);
  column->setSpacing(4);
  gius_.caption = NewWrappedLabel(gius_.frame, ArrayName("LabelGiustificativi", 3));
  gius_.caption->setFont(Bold(gius_.caption->font()));
  column->addWidget(gius_.caption);
  BuildJustificationPanel();
  column->addWidget(gius_.panel);

  // The operating help (panel closed) and the formula area (panel open) take turns below.
  BuildJustificationHelp();
  BuildJustificationFormulas();
  column->addWidget(Pages(gius_.frame, {gius_.help_frame, gius_.formula_area}), 1);

  BuildFormulaPickList();
  ConnectJustificationChoices();
}

void TablesScreen::BuildJustificationPanel() {
  gius_.panel = NewFrame(gius_.frame, ArrayName("FrameGiustificativi", 1),
                         "CREAZIONE MODIFICA E AGGIORNAMENTO GIUSTIFICATIVI");
  gius_.panel->setProperty("index", 1);
  QWidget* p = gius_.panel;
  auto* rows = new QVBoxLayout(p);
  rows->setSpacing(4);
  BuildJustificationBoxes(p);
  const std::array<QPushButton*, 2> help_buttons = BuildJustificationChoices(p);

  // Captions on the left, boxes on the right; the type options and the overtime box below.
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(3);
  auto* first = new QHBoxLayout;
  first->addWidget(gius_.text[JustificationForm::kCodeBox]);
  first->addSpacing(12);
  first->addWidget(NewLabel(p, "Descrizione"));
  first->addWidget(gius_.text[JustificationForm::kDescriptionBox], 1);
  grid->addWidget(NewLabel(p, "Codice"), 0, 0);
  grid->addLayout(first, 0, 1);
  grid->addWidget(NewLabel(p, "Cod.Giustificativo (File Import)"), 1, 0);
  grid->addLayout(Row({gius_.text[JustificationForm::kImportCodeBox]}), 1, 1);
  grid->addWidget(NewLabel(p, "Cod.Giustificativo per Mod.SR18"), 2, 0);
  grid->addLayout(Row({gius_.sr18}), 2, 1);
  grid->addWidget(NewLabel(p, "Tipo Evento e Descrizione"), 3, 0);
  grid->addLayout(Row({gius_.uniemens, gius_.uniemens_label, help_buttons[0]}), 3, 1);
  grid->addWidget(NewLabel(p, "Numero Autorizzazione Ticket CIG"), 4, 0);
  grid->addLayout(Row({gius_.text[JustificationForm::kTicketBox],
                       NewLabel(p, "( Valori da 1 a 10 )"), help_buttons[1]}),
                  4, 1);
  grid->setColumnStretch(1, 1);
  rows->addLayout(grid);

  gius_.type = new QButtonGroup(p);
  gius_.type->setObjectName(QStringLiteral("OptGiuPreAss"));
  auto* types = new QHBoxLayout;
  const std::span<const std::string_view> guide = TypeGuideLines();
  for (int i = 0; i < 4; ++i) {
    auto* option =
        new QRadioButton(FromUtf8(kJustificationTypeCaptions[static_cast<size_t>(i)]), p);
    SetArrayName(option, "OptGiuPreAss", i);
    option->setToolTip(FromUtf8(guide[static_cast<size_t>(i)]));
    gius_.type->addButton(option, i);
    types->addWidget(option);
  }
  types->addStretch(1);
  rows->addLayout(types);
  gius_.overtime = new QCheckBox(QStringLiteral("Compatibile con Straordinari"), p);
  gius_.overtime->setObjectName(QStringLiteral("ChkGiucompStr"));
  rows->addWidget(gius_.overtime);
  rows->addLayout(BuildJustificationButtons(p));
}

void TablesScreen::BuildJustificationBoxes(QWidget* p) {
  JustificationForm& g = logic_->justifications();
  for (int i : {JustificationForm::kCodeBox, JustificationForm::kDescriptionBox,
                JustificationForm::kImportCodeBox, JustificationForm::kTicketBox}) {
    auto* box = new TableBox(p, "TextGiustificativo", i, TableBox::Mode::kText);
    gius_.text[static_cast<size_t>(i)] = box;
    Wire(
        box, [&g, i](int key) { return g.TextGiustificativo_KeyPress(i, key); },
        [&g, i](const std::string& text) { g.TextGiustificativo_Change(i, text); },
        [&g, i] { g.TextGiustificativo_LostFocus(i); });
  }
  TableBox* code = gius_.text[JustificationForm::kCodeBox];
  TableBox* description = gius_.text[JustificationForm::kDescriptionBox];
  TableBox* import_code = gius_.text[JustificationForm::kImportCodeBox];
  TableBox* ticket = gius_.text[JustificationForm::kTicketBox];
  code->setMaxLength(static_cast<int>(JustificationForm::kCodeLength));
  code->setValidator(DigitsOnly(code));
  code->setFixedWidth(48);
  code->white_on_change = true;
  description->setMaxLength(50);
  description->upper_case = true;
  description->white_on_change = true;
  import_code->setMaxLength(10);
  import_code->upper_case = true;
  import_code->setFixedWidth(80);
  ticket->setMaxLength(2);
  ticket->setValidator(DigitsOnly(ticket));
  ticket->setFixedWidth(36);
}

std::array<QPushButton*, 2> TablesScreen::BuildJustificationChoices(QWidget* p) {
  gius_.sr18 = new QComboBox(p);
  gius_.sr18->setObjectName(QStringLiteral("ComboGiustificativo"));
  for (const Sr18Item& item : Sr18Items()) gius_.sr18->addItem(FromUtf8(item.text));
  gius_.sr18->setCurrentIndex(-1);
  gius_.sr18->setToolTip(QStringLiteral("Canc: nessun codice"));
  gius_.sr18->installEventFilter(this);
  gius_.uniemens = new QComboBox(p);
  gius_.uniemens->setObjectName(QStringLiteral("ComboUNIEMENS"));
  gius_.uniemens->setFont(ListFont());
  gius_.uniemens_label = NewLabel(p, "", "LabelGiustificativo");
  gius_.uniemens_label->setFrameShape(QFrame::Panel);
  gius_.uniemens_label->setFrameShadow(QFrame::Sunken);
  gius_.uniemens_label->setFixedWidth(32);
  gius_.uniemens_label->setAlignment(Qt::AlignCenter);
  std::array<QPushButton*, 2> help_buttons{};
  for (int i = 0; i < 2; ++i) {
    help_buttons[static_cast<size_t>(i)] = new QPushButton(QStringLiteral("?"), p);
    SetArrayName(help_buttons[static_cast<size_t>(i)], "CmdHelpGiust", i);
    help_buttons[static_cast<size_t>(i)]->setFixedWidth(26);
    connect(help_buttons[static_cast<size_t>(i)], &QPushButton::clicked, this,
            [this, i] { ShowJustificationHelp(i, form_.dialogs()); });
  }
  return help_buttons;
}

QHBoxLayout* TablesScreen::BuildJustificationButtons(QWidget* p) {
  JustificationForm& g = logic_->justifications();
  QPushButton* save = NewButton(p, "CmdSalvaGiust", "Memorizza");
  QPushButton* cancel = NewButton(p, "CmdAnnullaGiust", "Annulla");
  const char* kNavigation[][2] = {{"CmdInizioGiust", "Inizio"},
                                  {"CmdIndietroGiust", "Indietro"},
                                  {"CmdAvantiGiust", "Avanti"},
                                  {"CmdFineGiust", "Fine"}};
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  for (size_t i = 0; i < gius_.navigation.size(); ++i) {
    gius_.navigation[i] = NewButton(p, kNavigation[i][0], kNavigation[i][1]);
    buttons->addWidget(gius_.navigation[i]);
  }
  connect(save, &QPushButton::clicked, this, [this, &g] { Run([&g] { Take(g.Save()); }); });
  connect(cancel, &QPushButton::clicked, this, [this, &g] { Run([&g] { Take(g.Cancel()); }); });
  connect(gius_.navigation[0], &QPushButton::clicked, this,
          [this, &g] { Run([&g] { Check(g.CmdInizioGiust_Click()); }); });
  connect(gius_.navigation[1], &QPushButton::clicked, this,
          [this, &g] { Run([&g] { Check(g.CmdIndietroGiust_Click()); }); });
  connect(gius_.navigation[2], &QPushButton::clicked, this,
          [this, &g] { Run([&g] { Check(g.CmdAvantiGiust_Click()); }); });
  connect(gius_.navigation[3], &QPushButton::clicked, this,
          [this, &g] { Run([&g] { Check(g.CmdFineGiust_Click()); }); });
  return buttons;
}

void TablesScreen::BuildJustificationHelp() {
  gius_.help_frame =
      NewFrame(gius_.frame, ArrayName("FrameGiustificativi", 2), kJustificationHelpHeading.data());
  gius_.help_frame->setProperty("index", 2);
  auto* help = new QVBoxLayout(gius_.help_frame);
  help->setSpacing(2);
  for (std::string_view line : JustificationHelpLines()) {
    help->addWidget(NewWrappedLabel(gius_.help_frame, QString()));
    static_cast<QLabel*>(help->itemAt(help->count() - 1)->widget())->setText(FromUtf8(line));
  }
  QLabel* guide_heading = NewLabel(gius_.help_frame, kTypeGuideHeading.data());
  guide_heading->setFont(Bold(guide_heading->font()));
  help->addSpacing(6);
  help->addWidget(guide_heading);
  for (std::string_view line : TypeGuideLines()) {
    QLabel* label = NewWrappedLabel(gius_.help_frame, QString());
    label->setText(FromUtf8(line));
    help->addWidget(label);
  }
  help->addStretch(1);
}

void TablesScreen::BuildJustificationFormulas() {
  JustificationForm& g = logic_->justifications();
  gius_.formula_area =
      NewFrame(gius_.frame, ArrayName("FrameGiustificativi", 3), "FORMULE PAGHE E SOGLIE ORE");
  gius_.formula_area->setProperty("index", 3);
  auto* formulas = new QGridLayout(gius_.formula_area);
  formulas->setVerticalSpacing(3);
  formulas->addWidget(NewLabel(gius_.formula_area, "Formula"), 0, 0, 1, 2);
  formulas->addWidget(NewLabel(gius_.formula_area, "Descrizione"), 0, 2);
  formulas->addWidget(NewLabel(gius_.formula_area, "Soglia ore"), 0, 3);
  for (int k = 0; k < JustificationForm::kFormulaRows; ++k) {
    const auto row = static_cast<size_t>(k);
    auto* formula_code =
        new TableBox(gius_.formula_area, "TextGiusCodVoce", k, TableBox::Mode::kText);
    Wire(
        formula_code, [&g, k](int key) { return g.TextGiusCodVoce_KeyPress(k, key); },
        [&g, k](const std::string& text) { g.TextGiusCodVoce_Change(k, text); },
        [&g, k] { g.TextGiusCodVoce_LostFocus(k); });
    formula_code->setMaxLength(3);
    formula_code->setValidator(DigitsOnly(formula_code));
    formula_code->setFixedWidth(48);
    auto* button = new QPushButton(QStringLiteral("..."), gius_.formula_area);
    SetArrayName(button, "CmdGiusCodVoce", k);
    button->setFixedWidth(30);
    auto* label = new QLabel(gius_.formula_area);
    SetArrayName(label, "LabGiusDescrVoce", k);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    auto* threshold =
        new TableBox(gius_.formula_area, "TextGiusSogliaVoce", k, TableBox::Mode::kHours);
    WireHours(
        threshold,
        [&g, k](int caret, int key) { return g.TextGiusSogliaVoce_KeyPress(k, caret, key); },
        [&g, k](const std::string& text) { g.TextGiusSogliaVoce_Change(k, text); },
        [&g, k] { g.TextGiusSogliaVoce_LostFocus(k); });
    threshold->setMaxLength(5);
    threshold->setFixedWidth(60);
    gius_.formula_code[row] = formula_code;
    gius_.formula_button[row] = button;
    gius_.formula_description[row] = label;
    gius_.formula_threshold[row] = threshold;
    formulas->addWidget(formula_code, k + 1, 0);
    formulas->addWidget(button, k + 1, 1);
    formulas->addWidget(label, k + 1, 2);
    formulas->addWidget(threshold, k + 1, 3);
    connect(button, &QPushButton::clicked, this, [this, &g, k] {
      Run([&g, k] { g.CmdGiusCodVoce_Click(k); });
      if (g.formula_list_visible()) PlaceFormulaList(k);
    });
  }
  formulas->setColumnStretch(2, 1);
  formulas->setRowStretch(JustificationForm::kFormulaRows + 1, 1);
}

// The formula pick list, floating over the panel (IMPOSTAZIONIFORM places and hides it).
void TablesScreen::BuildFormulaPickList() {
  gius_.formule = NewFrame(gius_.frame, QStringLiteral("FrameFormule"), "");
  gius_.formule->setAutoFillBackground(true);
  auto* pick = new QVBoxLayout(gius_.formule);
  pick->setContentsMargins(4, 4, 4, 4);
  gius_.order_by_code = new QCheckBox(QStringLiteral("Ordina x Codice"), gius_.formule);
  gius_.order_by_code->setObjectName(QStringLiteral("CxkOrdFormule"));
  gius_.list_formule = NewList(gius_.formule, "ListFormule");
  pick->addWidget(gius_.order_by_code);
  pick->addWidget(gius_.list_formule, 1);
  gius_.formule->hide();
}

// The type options, the overtime box, the two lists of codes and the formula pick list.
void TablesScreen::ConnectJustificationChoices() {
  JustificationForm& g = logic_->justifications();
  connect(gius_.type, &QButtonGroup::idClicked, this,
          [this, &g](int id) { Run([&g, id] { g.OptGiuPreAss_Click(id); }); });
  connect(gius_.overtime, &QCheckBox::clicked, this,
          [this, &g](bool ticked) { Run([&g, ticked] { g.ChkGiucompStr_Click(ticked); }); });
  connect(gius_.sr18, &QComboBox::activated, this,
          [this, &g](int index) { Run([&g, index] { g.ComboGiustificativo_Click(index); }); });
  connect(gius_.uniemens, &QComboBox::activated, this,
          [this, &g](int index) { Run([&g, index] { g.ComboUNIEMENS_Click(index); }); });
  connect(gius_.list_formule, &QListWidget::itemDoubleClicked, this,
          [this, &g](QListWidgetItem* item) {
            const int row = gius_.list_formule->row(item);
            Run([&g, row] { g.ListFormule_DblClick(row); });
          });
  connect(gius_.order_by_code, &QCheckBox::clicked, this,
          [this, &g](bool ticked) { Run([&g, ticked] { g.CxkOrdFormule_Click(ticked); }); });
}

void TablesScreen::BuildGroups() {
  GroupForm& gr = logic_->groups();
  grup_.frame = NewFrame(frame_, QStringLiteral("FrameGruppi"), "TABELLA GRUPPI ORARI");
  auto* column = new QVBoxLayout(grup_.frame);

  QGroupBox* help = NewFrame(grup_.frame, QString(), GroupForm::kHelpHeading.data());
  auto* help_column = new QVBoxLayout(help);
  const std::vector<std::string_view> lines = GroupForm::HelpTexts();
  for (int i = 0; i < 3; ++i) {
    grup_.help[static_cast<size_t>(i)] = NewWrappedLabel(help, ArrayName("LabelGruppi", i));
    grup_.help[static_cast<size_t>(i)]->setText(FromUtf8(lines[static_cast<size_t>(i)]));
    help_column->addWidget(grup_.help[static_cast<size_t>(i)]);
  }
  column->addWidget(help);
  grup_.help[3] = NewWrappedLabel(grup_.frame, ArrayName("LabelGruppi", 3));
  grup_.help[3]->setFont(Bold(grup_.help[3]->font()));
  column->addWidget(grup_.help[3]);

  grup_.panel = NewFrame(grup_.frame, ArrayName("FrameGruppi", 1),
                         "CREAZIONE MODIFICA E AGGIORNAMENTO GRUPPI ORARI");
  grup_.panel->setProperty("index", 1);
  auto* grid = new QGridLayout(grup_.panel);
  grid->setVerticalSpacing(3);
  for (int i = GroupForm::kCodeBox; i <= GroupForm::kDescriptionBox; ++i) {
    auto* box = new TableBox(grup_.panel, "TextDescGruppo", i, TableBox::Mode::kText);
    grup_.text[static_cast<size_t>(i)] = box;
    Wire(
        box, [&gr, i](int key) { return gr.TextDescGruppo_KeyPress(i, key); },
        [&gr, i](const std::string& text) { gr.TextDescGruppo_Change(i, text); },
        [&gr, i] { gr.TextDescGruppo_LostFocus(i); });
  }
  TableBox* code = grup_.text[GroupForm::kCodeBox];
  code->setMaxLength(static_cast<int>(GroupForm::kCodeLength));
  code->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), code));
  code->setFixedWidth(48);
  grup_.text[GroupForm::kDescriptionBox]->upper_case = true;
  grup_.text[GroupForm::kDescriptionBox]->setMaxLength(50);
  grid->addWidget(NewLabel(grup_.panel, "Codice"), 0, 0);
  grid->addWidget(code, 0, 1, Qt::AlignLeft);
  grid->addWidget(NewLabel(grup_.panel, "Descrizione"), 1, 0);
  grid->addWidget(grup_.text[GroupForm::kDescriptionBox], 1, 1, 1, 2);
  for (int i = GroupForm::kFirstHoursBox; i <= GroupForm::kLastHoursBox; ++i) {
    auto* box = new TableBox(grup_.panel, "TextGruppo", i, TableBox::Mode::kHours);
    grup_.text[static_cast<size_t>(i)] = box;
    WireHours(
        box, [&gr, i](int caret, int key) { return gr.TextGruppo_KeyPress(i, caret, key); },
        [&gr, i](const std::string& text) { gr.TextGruppo_Change(i, text); },
        [&gr, i] { gr.TextGruppo_LostFocus(i); });
    box->setMaxLength(5);
    box->setFixedWidth(60);
    const int row = i;
    grid->addWidget(
        NewLabel(grup_.panel,
                 kGroupDayCaptions[static_cast<size_t>(i - GroupForm::kFirstHoursBox)].data()),
        row, 0);
    grid->addWidget(box, row, 1, Qt::AlignLeft);
  }
  QPushButton* save = NewButton(grup_.panel, "CmdSalvaGruppo", "Memorizza Gruppo");
  QPushButton* cancel = NewButton(grup_.panel, "cmdAnnullaGruppo", "Annulla");
  grid->addLayout(Row({save, cancel}), GroupForm::kLastHoursBox + 1, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  column->addWidget(grup_.panel);
  column->addStretch(1);

  connect(save, &QPushButton::clicked, this, [this, &gr] { Run([&gr] { Take(gr.Save()); }); });
  connect(cancel, &QPushButton::clicked, this, [this, &gr] { Run([&gr] { Take(gr.Cancel()); }); });
}

void TablesScreen::FillUniemensList() {
  const QSignalBlocker blocker(gius_.uniemens);
  gius_.uniemens->clear();
  for (std::string_view item : UniemensListItems()) gius_.uniemens->addItem(FromUtf8(item));
  gius_.uniemens->setCurrentIndex(-1);
}

bool TablesScreen::eventFilter(QObject* watched, QEvent* event) {
  // Delete or Backspace on the SR18 list leaves the justification without a code.
  if (watched == gius_.sr18 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
      JustificationForm& g = logic_->justifications();
      Run([&g] { g.ComboGiustificativo_Click(-1); });
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

// --- Events ---

void TablesScreen::Run(const std::function<void()>& work) {
  form_.Guard(work);
  if (!form_.ended()) Update();
}

void TablesScreen::Enter() { frame_help_->setTitle(QString()); }

void TablesScreen::RefillTablesList() {
  const QSignalBlocker blocker(list_tabelle_);
  list_tabelle_->clear();
  for (std::string_view entry : kTableListEntries) list_tabelle_->addItem(FromUtf8(entry));
  list_tabelle_->setCurrentRow(-1);
}

void TablesScreen::ListTabelle_Click(int row) {
  Run([this, row] { Check(logic_->ListTabelle_Click(row)); });
}

void TablesScreen::ListRecord_Click(int row) {
  Run([this, row] {
    if (TableForm* f = logic_->form()) Check(f->ListRecord_Click(row));
  });
}

void TablesScreen::ListRecord_DblClick(int row) {
  Run([this, row] {
    if (TableForm* f = logic_->form()) Check(f->ListRecord_DblClick(row));
  });
}

void TablesScreen::CmdElimina_Click() {
  Run([this] { Take(logic_->CmdElimina_Click()); });
}

void TablesScreen::CmdStampa_Click() {
  Run([this] {
    const std::optional<TableKind> kind = logic_->current();
    if (!kind) return;
    const std::vector<std::string> lines = Take(logic_->CmdStampa_Click());
    {
      // The hourglass while the listing is drawn and handed to the printer.
      QApplication::setOverrideCursor(Qt::WaitCursor);
      struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
      } restore;
      PrintTableListing(form_.session().printer(), *kind, lines);
    }
    form_.dialogs().Show(kPrintFinishedMessage, kTablesTitle, MessageIcon::kInformation);
  });
}

void TablesScreen::CmdSelPrec_Click() {
  // At the table choice the previous selection is the menu (as the help frame says).
  if (!logic_->current()) {
    CmdRitTabelle_Click();
    return;
  }
  Run([this] { Take(logic_->CmdSelPrec_Click()); });
}

void TablesScreen::CmdRitTabelle_Click() { form_.ReturnToMenu(frame_); }

// --- What the widgets show ---

void TablesScreen::Update() {
  if (updating_ || form_.ended()) return;
  updating_ = true;
  const std::optional<TableKind> current = logic_->current();
  TableForm* f = logic_->form();

  // Frames and enabled states first: a box that loses the focus because its panel is closed
  // may still change its text when it is left, and the texts are shown after that.
  frame_help_->setVisible(!current);
  fest_.frame->setVisible(current == TableKind::kHolidays);
  gius_.frame->setVisible(current == TableKind::kJustifications);
  grup_.frame->setVisible(current == TableKind::kGroups);
  QGroupBox* side = !current                                 ? nullptr
                    : *current == TableKind::kHolidays       ? fest_.list_side
                    : *current == TableKind::kJustifications ? gius_.list_side
                                                             : grup_.list_side;
  for (QGroupBox* s : {fest_.list_side, gius_.list_side, grup_.list_side}) {
    if (s != side) s->hide();
  }
  if (side != nullptr) {
    if (list_record_->parentWidget() != side) side->layout()->addWidget(list_record_);
    side->show();
    list_record_->show();
  } else {
    list_record_->hide();
  }
  list_tabelle_->setEnabled(logic_->table_list_enabled());
  const bool list_enabled = f != nullptr && f->list_enabled();
  list_record_->setEnabled(list_enabled);
  cmd_elimina_->setEnabled(list_enabled);
  cmd_stampa_->setEnabled(list_enabled);
  cmd_sel_prec_->setEnabled(list_enabled || !current);
  // The menu is reached from the table choice; a chosen table is left first with
  // "Selezioni precedenti", which deals with its unsaved changes.
  cmd_rit_tabelle_->setEnabled(!current);
  if (!current) SelectRow(list_tabelle_, -1);

  fest_.panel->setEnabled(logic_->holidays().state() != PanelState::kClosed);
  gius_.panel->setEnabled(logic_->justifications().state() != PanelState::kClosed);
  gius_.formula_area->setEnabled(gius_.panel->isEnabled());
  grup_.panel->setEnabled(logic_->groups().state() != PanelState::kClosed);

  UpdateRecordList();
  UpdateHolidays();
  UpdateJustifications();
  UpdateGroups();
  updating_ = false;
  ApplyFocusRequest();
}

void TablesScreen::UpdateRecordList() {
  TableForm* f = logic_->form();
  static const std::vector<std::string> kNone;
  const std::vector<std::string>& entries = f != nullptr ? f->entries() : kNone;
  if (entries != shown_entries_) {
    ShowLines(list_record_, entries);
    shown_entries_ = entries;
  }
  SelectRow(list_record_, f != nullptr ? f->selected() : -1);
}

void TablesScreen::UpdateHolidays() {
  const HolidayForm& h = logic_->holidays();
  const std::vector<std::string_view> help = h.HelpTexts();
  for (size_t i = 0; i < 3; ++i) {
    fest_.help[i]->setText(i < help.size() ? FromUtf8(help[i]) : QString());
    fest_.help[i]->setVisible(i < help.size());
  }
  fest_.help[3]->setText(FromUtf8(h.record_caption()));
  fest_.text[0]->setEnabled(h.boxes().code_enabled);
  for (size_t i = 0; i < fest_.text.size(); ++i) fest_.text[i]->ShowText(h.boxes().text[i]);
}

void TablesScreen::UpdateJustifications() {
  const JustificationForm& g = logic_->justifications();
  const JustificationForm::Boxes& b = g.boxes();
  gius_.caption->setText(FromUtf8(g.record_caption()));
  gius_.text[JustificationForm::kCodeBox]->setEnabled(b.code_enabled);
  gius_.text[JustificationForm::kCodeBox]->ShowText(b.code);
  gius_.text[JustificationForm::kDescriptionBox]->ShowText(b.description);
  gius_.text[JustificationForm::kImportCodeBox]->ShowText(b.import_code);
  gius_.text[JustificationForm::kTicketBox]->ShowText(b.ticket);
  SetComboIndex(gius_.sr18, b.sr18_index);
  SetComboIndex(gius_.uniemens, b.uniemens_index);
  gius_.uniemens_label->setText(FromUtf8(b.uniemens_label));
  if (b.type < 0) {
    // An exclusive group keeps one option chosen; none is chosen for a new code.
    gius_.type->setExclusive(false);
    for (QAbstractButton* option : gius_.type->buttons()) SetChecked(option, false);
    gius_.type->setExclusive(true);
  } else {
    SetChecked(gius_.type->button(b.type), true);
  }
  SetChecked(gius_.overtime, b.overtime);
  gius_.overtime->setEnabled(b.overtime_enabled);
  for (size_t k = 0; k < b.formulas.size(); ++k) {
    gius_.formula_code[k]->ShowText(b.formulas[k].code);
    gius_.formula_description[k]->setText(FromUtf8(b.formulas[k].description));
    gius_.formula_threshold[k]->ShowText(b.formulas[k].threshold);
  }
  for (QPushButton* button : gius_.navigation) button->setEnabled(g.navigation_enabled());
  gius_.help_frame->setVisible(g.operating_help_visible());
  gius_.formula_area->setVisible(!g.operating_help_visible());

  SetChecked(gius_.order_by_code, g.formula_order_by_code());
  if (g.formula_lines() != shown_formulas_) {
    ShowLines(gius_.list_formule, g.formula_lines());
    shown_formulas_ = g.formula_lines();
  }
  gius_.formule->setVisible(g.formula_list_visible());
  if (g.formula_list_visible()) gius_.formule->raise();
}

void TablesScreen::UpdateGroups() {
  const GroupForm& gr = logic_->groups();
  grup_.help[3]->setText(FromUtf8(gr.record_caption()));
  grup_.text[GroupForm::kCodeBox]->setEnabled(gr.boxes().code_enabled);
  for (size_t i = 0; i < grup_.text.size(); ++i) grup_.text[i]->ShowText(gr.boxes().text[i]);
}

void TablesScreen::ApplyFocusRequest() {
  TableForm* f = logic_->form();
  if (f == nullptr) return;
  const std::optional<FocusTarget> target = f->TakeFocusRequest();
  if (!target) return;
  const QString name = ArrayName(std::string(target->control).c_str(), target->index);
  QWidget* widget = frame_->findChild<QWidget*>(name);
  if (widget != nullptr && widget->isEnabled()) widget->setFocus(Qt::OtherFocusReason);
}

void TablesScreen::PlaceFormulaList(int row) {
  // Beside the row's button, as high as the panel allows, over the panel's upper part.
  QPushButton* button = gius_.formula_button[static_cast<size_t>(row)];
  const QPoint at = button->mapTo(gius_.frame, QPoint(button->width() + 4, 0));
  const int width = TwipsToPixels(4035) + 60;
  const int height = std::min(260, gius_.frame->height() - 8);
  const int top = std::clamp(at.y() + button->height() - height, 4, gius_.frame->height() - height);
  gius_.formule->setGeometry(at.x(), top, width, height);
  gius_.formule->raise();
}

}  // namespace kaveltar::ui
