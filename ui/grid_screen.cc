#include "ui/grid_screen.h"

#include <QApplication>
#include <QBrush>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/session.h"
#include "base/dates.h"
#include "base/hours.h"
#include "base/keys.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "tables/uniemens.h"
#include "ui/frm_veltar.h"
#include "ui/list_widgets.h"
#include "ui/tables_screen.h"
#include "ui/twips.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {
namespace {

// The pick list: 7400 twips high, 4000 wide for the groups and 8500 for the justifications.
constexpr int kListHeight = 7400;
constexpr int kGroupListWidth = 4000;
constexpr int kJustificationListWidth = 8500;
constexpr int kRowHeight = 15;  // pixels: the 31 days fit the frame without scrolling

void Check(const Status& status) {
  if (!status.ok()) ThrowDatabaseError(status, {});
}

}  // namespace

// --- GridTableModel ---

GridTableModel::GridTableModel(MonthGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

bool GridTableModel::Valid(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() >= 0 &&
         index.row() < grid_.days() && index.column() >= 0 && index.column() < grid::kColumns;
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.days();
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid::kColumns;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!Valid(index)) return {};
  const int column = index.column();
  const GridDay& day = grid_.Day(DayOfRow(index.row()));
  switch (role) {
    case Qt::DisplayRole:
      // Wingdings is not on Linux: the check mark and the cross as Unicode characters.
      if (column == grid::kCheck)
        return day.complete ? QStringLiteral("\u2714") : QStringLiteral("\u2718");
      return FromUtf8(day.text[static_cast<size_t>(column)]);
    case Qt::EditRole:
      if (column == grid::kCheck) return {};
      return FromUtf8(day.text[static_cast<size_t>(column)]);
    case Qt::BackgroundRole: {
      const long colour = GridColumnLayouts()[static_cast<size_t>(column)].background;
      if (colour == kSystemBackground) return {};
      return QBrush(WindowsColour(colour));
    }
    case Qt::ForegroundRole:
      if (column == grid::kCheck)
        return QBrush(WindowsColour(day.complete ? kCheckColour : kCrossColour));
      if ((column == grid::kDate || column == grid::kWeekday) && day.holiday) {
        return QBrush(WindowsColour(kHolidayTextColour));
      }
      return {};
    case Qt::FontRole:
      if (column == grid::kCheck) {
        QFont font;
        font.setPointSize(12);
        font.setBold(false);
        return font;
      }
      return {};
    case Qt::TextAlignmentRole:
      if (column >= grid::kGroup) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
      return {};
    default:
      return {};
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= grid::kColumns) return {};
    return FromUtf8(GridColumnLayouts()[static_cast<size_t>(section)].heading);
  }
  if (section < 0 || section >= grid_.days()) return {};
  return DayOfRow(section);
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!Valid(index)) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() >= grid::kGroup && index.column() < grid::kCheck) flags |= Qt::ItemIsEditable;
  return flags;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !Valid(index)) return false;
  if (index.column() < grid::kGroup || index.column() >= grid::kCheck) return false;
  // The grid reports each cell it changes (CellChanged), so dataChanged covers exactly them.
  return grid_.SetCell(DayOfRow(index.row()), index.column(), ToUtf8(value.toString())) ==
         MonthGrid::SetResult::kApplied;
}

void GridTableModel::CellChanged(int day, int column) {
  if (day < 1 || day > grid_.days() || column < 0 || column >= grid::kColumns) return;
  const QModelIndex cell = index(RowOfDay(day), column);
  emit dataChanged(cell, cell);
}

// --- GridView ---

GridView::GridView(QWidget* parent) : QTableView(parent) {}

void GridView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_F2) {
    if (activate && currentIndex().isValid()) activate(currentIndex());
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

// --- CellEditor ---

CellEditor::CellEditor(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("digit"));
  setMaxLength(5);
  setAlignment(Qt::AlignCenter);
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setFrame(false);
  hide();
}

bool CellEditor::event(QEvent* event) {
  // Tab commits like Enter instead of moving the focus.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      if (key_press) key_press(kKeyTab);
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CellEditor::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
      QLineEdit::keyPressEvent(event);  // the caret moves; the text stays as the mask left it
      return;
    default:
      break;
  }
  const int key = TypedKey(event);
  // Keys that type nothing (Delete, paste, ...) never change the text behind the mask.
  if (key != 0 && key_press) key_press(key);
  event->accept();
}

// --- GridScreen ---

GridScreen::GridScreen(FRMVELTAR& form, QGroupBox* frame, QWidget* selection_frame)
    : form_(form), frame_(frame), selection_frame_(selection_frame) {
  Session& session = form_.session();
  grid_ = std::make_unique<MonthGrid>(session.db(), form_.dialogs());
  model_ = new GridTableModel(*grid_, this);
  MonthGrid::Observer observer;
  observer.cell_changed = [this](int day, int column) { model_->CellChanged(day, column); };
  observer.totals_changed = [this] { ShowTotals(); };
  observer.about_to_reload = [this] { model_->BeginReload(); };
  observer.reloaded = [this] {
    model_->EndReload();
    ShowTotals();
  };
  observer.editors_changed = [this] { SyncEditors(); };
  grid_->set_observer(std::move(observer));
  grid_->set_busy([this](const std::function<void()>& work) {
    auto wait = form_.Wait();
    work();
  });

  Build();
  BuildSettingFrames();

  // Leaving the program saves the grid's pending changes (with the save question).
  LeavingHooks& hooks = form_.leaving_hooks();
  hooks.grid_has_changes = [this] { return grid_->loaded() && grid_->modified(); };
  hooks.save_grid = [this] { grid_->ConfirmAndSave(); };
}

GridScreen::~GridScreen() {
  LeavingHooks& hooks = form_.leaving_hooks();
  hooks.grid_has_changes = nullptr;
  hooks.save_grid = nullptr;
}

void GridScreen::Run(const std::function<void()>& work) { form_.Guard(work); }

void GridScreen::Build() {
  // The grid's columns are fixed in twips; the screen's texts are a size smaller than the
  // other screens' so that the 31 days and the buttons beside them fit the frame.
  QFont font = frame_->font();
  font.setPointSizeF(std::max(7.0, font.pointSizeF() - 1));
  frame_->setFont(font);
  auto* column = new QVBoxLayout(frame_);
  column->setContentsMargins(8, 4, 8, 4);
  column->setSpacing(4);

  // The captions.
  labelditta_ = NewLabel(frame_, "", "Labelditta");
  labeldipend_ = NewLabel(frame_, "", "Labeldipend");
  label19_ = NewLabel(frame_, "", "Label19");
  for (QLabel* label : {labelditta_, labeldipend_, label19_}) label->setFont(Bold(label->font()));
  auto* captions = new QHBoxLayout;
  captions->addWidget(labelditta_, 3);
  captions->addWidget(labeldipend_, 3);
  captions->addWidget(label19_, 1);
  column->addLayout(captions);

  // The grid, its totals underneath, the buttons on the right.
  BuildGridView();
  BuildTotalsBar();

  auto* left = new QVBoxLayout;
  left->setSpacing(2);
  left->addWidget(view_, 1);
  left->addWidget(totals_bar_);

  QVBoxLayout* buttons = BuildButtons();

  auto* middle = new QHBoxLayout;
  middle->addLayout(left);
  middle->addLayout(buttons, 1);
  column->addLayout(middle, 1);

  BuildPickList();
}

void GridScreen::BuildGridView() {
  view_ = new GridView(frame_);
  view_->setObjectName(QStringLiteral("GrigliaModTimb"));
  view_->setModel(model_);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setTextElideMode(Qt::ElideNone);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setMinimumSectionSize(kRowHeight);
  view_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->horizontalHeader()->setHighlightSections(false);
  int width = 0;
  // A column with a month total under it is at least as wide as the widest total ("000:00")
  // in the font of the day.
  const int total_width =
      QFontMetrics(frame_->font()).horizontalAdvance(QStringLiteral("000:00")) + 8;
  for (int c = 0; c < grid::kColumns; ++c) {
    int w = TwipsToPixels(GridColumnLayouts()[static_cast<size_t>(c)].width_twips);
    if (std::find(grid::kTotalColumns.begin(), grid::kTotalColumns.end(), c) !=
        grid::kTotalColumns.end()) {
      w = std::max(w, total_width);
    }
    view_->setColumnWidth(c, w);
    width += w;
  }
  view_->setFixedWidth(width + 2 * view_->frameWidth() +
                       view_->verticalScrollBar()->sizeHint().width());
  view_->activate = [this](const QModelIndex& index) {
    GrigliaModTimb_Click(GridTableModel::DayOfRow(index.row()), index.column());
  };
  connect(view_, &QTableView::clicked, this, [this](const QModelIndex& index) {
    GrigliaModTimb_Click(GridTableModel::DayOfRow(index.row()), index.column());
  });
  connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceEditor(); });

  digit_ = new CellEditor(view_->viewport());
  digit_->key_press = [this](int key) {
    Run([this, key] {
      if (grid_->EditorKey(key) == MonthGrid::EditorResult::kBeep) QApplication::beep();
    });
  };
  connect(digit_, &QLineEdit::cursorPositionChanged, this,
          [this](int, int now) { grid_->set_editor_caret(now); });
}

void GridScreen::BuildTotalsBar() {
  totals_bar_ = new QWidget(frame_);
  totals_bar_->setObjectName(QStringLiteral("FrameTotali"));
  totals_bar_->setFixedHeight(std::max(20, QFontMetrics(frame_->font()).height() + 6));
  for (size_t i = 0; i < label5_.size(); ++i) {
    auto* label = new QLabel(totals_bar_);
    SetArrayName(label, "Label5", static_cast<int>(i));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label5_[i] = label;
  }
  totals_bar_->installEventFilter(this);
}

QVBoxLayout* GridScreen::BuildButtons() {
  auto* buttons = new QVBoxLayout;
  auto add = [&](const char* name, const char* caption, void (GridScreen::*handler)()) {
    QPushButton* button = NewButton(frame_, name, caption);
    connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    buttons->addWidget(button);
  };
  add("CmdMemTimbrature", "Salva Modifiche", &GridScreen::CmdMemTimbrature_Click);
  add("cmdAnnulla", "Annulla Modifiche", &GridScreen::cmdAnnulla_Click);
  buttons->addSpacing(TwipsToPixels(300));
  add("CmdAssenza", "Assegna Assenza", &GridScreen::CmdAssenza_Click);
  add("cmdGruppo", "Imposta Gruppo Orario", &GridScreen::cmdGruppo_Click);
  add("cmdOreLav", "Imposta Ore Lavorative", &GridScreen::cmdOreLav_Click);
  add("cmdReimposta", "Rielabora il Mese", &GridScreen::cmdReimposta_Click);
  buttons->addSpacing(TwipsToPixels(300));
  add("cmdInformazioni", "Informazioni", &GridScreen::cmdInformazioni_Click);
  buttons->addStretch(1);
  add("CmdRitMemTimbrature", "Ritorna alle Selezioni", &GridScreen::CmdRitMemTimbrature_Click);
  buttons->addSpacing(TwipsToPixels(300));
  // The frame covers the bottom bar, so it carries menu entries 11 (help) and 10 (exit).
  buttons->addWidget(form_.NewMenuButton(11, frame_));
  buttons->addWidget(form_.NewMenuButton(10, frame_));
  return buttons;
}

void GridScreen::BuildPickList() {
  // The pick list, laid over the frame beside the edited column.
  frame_lista_ = new QGroupBox(frame_);
  frame_lista_->setObjectName(QStringLiteral("FrameLista"));
  frame_lista_->setAutoFillBackground(true);
  label_lista_ = NewLabel(frame_lista_, "", "LabelLista");
  label_lista_->setFont(Bold(label_lista_->font()));
  list_mod_timb_ = NewList(frame_lista_, "ListModTimb");
  auto* list_column = new QVBoxLayout(frame_lista_);
  list_column->addWidget(label_lista_);
  list_column->addWidget(list_mod_timb_, 1);
  frame_lista_->hide();
  connect(list_mod_timb_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ListModTimb_Click(list_mod_timb_->row(item)); });
  list_mod_timb_->installEventFilter(this);
}

void GridScreen::BuildSettingFrames() {
  BuildAbsenceFrame();
  BuildSettingFrame();
  SetUpHoursBoxes();
}

void GridScreen::BuildAbsenceFrame() {
  // FrameAss: "ASSEGNA ASSENZE".
  frame_ass_ = new QGroupBox(QStringLiteral("ASSEGNA ASSENZE"), frame_);
  frame_ass_->setObjectName(QStringLiteral("FrameAss"));
  frame_ass_->setAutoFillBackground(true);
  combo_ass_ = NewCombo(frame_ass_, "ComboAss");
  combo_ass_->setMinimumWidth(TwipsToPixels(5000));
  txt_ore_ass_ = new TableBox(frame_ass_, "txtOreAss", 0, TableBox::Mode::kHours);
  cb_ass_da_ = NewCombo(frame_ass_, "CbAssDa");
  cb_ass_a_ = NewCombo(frame_ass_, "CbAssA");
  check_copri_fest_ =
      NewCheck(frame_ass_, "CheckCopriFest", "Copri le festività presenti nel mese");
  check_ore_lav_ = NewCheck(frame_ass_, "CheckOreLav", "Considera le ore lavorate nella giornata");
  auto* ass_ok = NewButton(frame_ass_, "", "Conferma");
  auto* ass_exit = NewButton(frame_ass_, "", "Uscita");
  SetArrayName(ass_ok, "CmdImpostaAss", 0);
  SetArrayName(ass_exit, "CmdImpostaAss", 1);
  auto* ass = new QGridLayout(frame_ass_);
  ass->addWidget(NewLabel(frame_ass_, "Giustificativo", "LabelAss"), 0, 0);
  ass->addWidget(combo_ass_, 0, 1, 1, 3);
  ass->addWidget(NewLabel(frame_ass_, "Ore (HH:MM)", "LabelOreAss"), 1, 0);
  ass->addWidget(txt_ore_ass_, 1, 1);
  ass->addWidget(NewLabel(frame_ass_, "Dal Giorno", "LabelAssDa"), 2, 0);
  ass->addWidget(cb_ass_da_, 2, 1);
  ass->addWidget(NewLabel(frame_ass_, "Al Giorno", "LabelAssA"), 2, 2);
  ass->addWidget(cb_ass_a_, 2, 3);
  ass->addWidget(check_copri_fest_, 3, 0, 1, 4);
  ass->addWidget(check_ore_lav_, 4, 0, 1, 4);
  auto* ass_buttons = new QHBoxLayout;
  ass_buttons->addStretch(1);
  ass_buttons->addWidget(ass_ok);
  ass_buttons->addWidget(ass_exit);
  ass->addLayout(ass_buttons, 5, 0, 1, 4);
  frame_ass_->hide();
  connect(ass_ok, &QPushButton::clicked, this, [this] { CmdImpostaAss_Click(0); });
  connect(ass_exit, &QPushButton::clicked, this, [this] { CmdImpostaAss_Click(1); });
  connect(cb_ass_a_, &QComboBox::activated, this, [this] { CheckDayOrder(cb_ass_da_, cb_ass_a_); });
}

void GridScreen::BuildSettingFrame() {
  // FrameImposta: a group or the worked hours over a range of days.
  frame_imposta_ = new QGroupBox(frame_);
  frame_imposta_->setObjectName(QStringLiteral("FrameImposta"));
  frame_imposta_->setAutoFillBackground(true);
  for (int i = 0; i < 2; ++i) {
    auto* label = new QLabel(frame_imposta_);
    SetArrayName(label, "LabImposta", i);
    label->setFont(Bold(label->font()));
    label->setAlignment(Qt::AlignCenter);
    lab_imposta_[static_cast<size_t>(i)] = label;
  }
  frame_gruppo_ = new QWidget(frame_imposta_);
  frame_gruppo_->setObjectName(QStringLiteral("FrameImpostaGruppo"));
  combo1_ = NewCombo(frame_gruppo_, "Combo1");
  combo1_->setMinimumWidth(TwipsToPixels(5000));
  (new QHBoxLayout(frame_gruppo_))->addWidget(combo1_);
  frame_ore_ = new QWidget(frame_imposta_);
  frame_ore_->setObjectName(QStringLiteral("FrameImpostaOre"));
  txt_imp_ore_ = new TableBox(frame_ore_, "txtImpOre", 0, TableBox::Mode::kHours);
  auto* ore = new QHBoxLayout(frame_ore_);
  ore->addWidget(NewLabel(frame_ore_, "Inserire ore e minuti lavorati", "LabelImpOre"));
  ore->addWidget(txt_imp_ore_);
  ore->addStretch(1);
  combo_da_ = NewCombo(frame_imposta_, "ComboDA");
  combo_a_ = NewCombo(frame_imposta_, "ComboA");
  auto* imp_ok = NewButton(frame_imposta_, "", "Conferma");
  auto* imp_exit = NewButton(frame_imposta_, "", "Uscita");
  SetArrayName(imp_ok, "CmdImpostaGruppo", 0);
  SetArrayName(imp_exit, "CmdImpostaGruppo", 1);
  auto* imp = new QGridLayout(frame_imposta_);
  imp->addWidget(lab_imposta_[1], 0, 0, 1, 4);
  imp->addWidget(lab_imposta_[0], 1, 0, 1, 4);
  imp->addWidget(frame_gruppo_, 2, 0, 1, 4);
  imp->addWidget(frame_ore_, 3, 0, 1, 4);
  imp->addWidget(NewLabel(frame_imposta_, "Dal Giorno", "LabelDa"), 4, 0);
  imp->addWidget(combo_da_, 4, 1);
  imp->addWidget(NewLabel(frame_imposta_, "Al Giorno", "LabelA"), 4, 2);
  imp->addWidget(combo_a_, 4, 3);
  auto* imp_buttons = new QHBoxLayout;
  imp_buttons->addStretch(1);
  imp_buttons->addWidget(imp_ok);
  imp_buttons->addWidget(imp_exit);
  imp->addLayout(imp_buttons, 5, 0, 1, 4);
  frame_imposta_->hide();
  connect(imp_ok, &QPushButton::clicked, this, [this] { CmdImpostaGruppo_Click(0); });
  connect(imp_exit, &QPushButton::clicked, this, [this] { CmdImpostaGruppo_Click(1); });
  connect(combo_a_, &QComboBox::activated, this, [this] { ComboA_Click(); });
}

void GridScreen::SetUpHoursBoxes() {
  // The hours boxes: the hours keyboard mask with the "00:00" blank, completed when left.
  for (TableBox* box : {txt_ore_ass_, txt_imp_ore_}) {
    box->setObjectName(box == txt_ore_ass_ ? QStringLiteral("txtOreAss")
                                           : QStringLiteral("txtImpOre"));
    box->setMaxLength(5);
    box->setFixedWidth(60);
    box->setText(QStringLiteral("00:00"));
    box->hours_key = [this, box](int caret, int key) {
      HoursMaskOutcome out = HoursMaskKey(ToUtf8(box->text()), caret, key, HoursBlank::kTable);
      if (out.action == HoursMaskOutcome::Action::kInvalid) {
        form_.dialogs().Show(kHoursMaskError, kHoursErrorTitle, MessageIcon::kNone);
      }
      return out;
    };
    box->lost_focus = [box] { box->ShowText(CompleteHoursText(ToUtf8(box->text()))); };
  }
}

// --- Opening and leaving ---

void GridScreen::CmdConfermaAgg_Click(const UpdateSelection& selection) {
  Run([this, &selection] {
    GridCaptions captions;
    if (OpenEmployeeMonth(form_.session().job(), selection, *grid_, &captions) !=
        OpenResult::kOpened)
      return;
    labelditta_->setText(FromUtf8(captions.company));
    labeldipend_->setText(FromUtf8(captions.employee));
    label19_->setText(FromUtf8(captions.month));
    HideSettingFrames();
    form_.ShowScreen(frame_);
    view_->setCurrentIndex(model_->index(0, grid::kGroup));
    view_->setFocus();
    PlaceTotals();
  });
}

void GridScreen::CmdRitMemTimbrature_Click() {
  Run([this] {
    HideSettingFrames();
    grid_->Leave();
    form_.ShowScreen(selection_frame_);
  });
}

// --- The grid and its editors ---

void GridScreen::GrigliaModTimb_Click(int day, int column) {
  Run([this, day, column] {
    // Working in the grid puts the settings away.
    HideSettingFrames();
    grid_->Activate(day, column);
  });
}

void GridScreen::ListModTimb_Click(int row) {
  Run([this, row] { grid_->ChooseLine(row); });
}

void GridScreen::SyncEditors() {
  const bool had_focus = digit_->hasFocus() || list_mod_timb_->hasFocus();
  switch (grid_->opened()) {
    case MonthGrid::Opened::kHoursEditor: {
      const int caret = grid_->editor_caret();
      const QSignalBlocker blocker(digit_);
      digit_->setText(FromUtf8(grid_->editor_text()));
      digit_->setCursorPosition(caret);
      PlaceEditor();
      digit_->show();
      digit_->raise();
      digit_->setFocus();
      frame_lista_->hide();
      break;
    }
    case MonthGrid::Opened::kGroupList:
    case MonthGrid::Opened::kJustificationList: {
      label_lista_->setText(FromUtf8(grid_->list_heading()));
      {
        const QSignalBlocker blocker(list_mod_timb_);
        list_mod_timb_->clear();
        for (const std::string& line : grid_->list_lines()) list_mod_timb_->addItem(FromUtf8(line));
        list_mod_timb_->setCurrentRow(0);
      }
      PlaceList();
      frame_lista_->show();
      frame_lista_->raise();
      list_mod_timb_->setFocus();
      digit_->hide();
      break;
    }
    case MonthGrid::Opened::kNothing:
      // The focus goes back to the grid before the editor is hidden: hiding the focused
      // editor would hand the focus on as Tab does, which moves the grid's current cell.
      if (had_focus && frame_->isVisible()) view_->setFocus();
      digit_->hide();
      {
        const QSignalBlocker blocker(digit_);
        digit_->clear();
      }
      frame_lista_->hide();
      break;
  }
}

void GridScreen::PlaceEditor() {
  if (grid_->opened() != MonthGrid::Opened::kHoursEditor) return;
  const QModelIndex cell =
      model_->index(GridTableModel::RowOfDay(grid_->active_day()), grid_->active_column());
  view_->scrollTo(cell);
  digit_->setGeometry(view_->visualRect(cell));
}

void GridScreen::PlaceList() {
  const bool groups = grid_->opened() == MonthGrid::Opened::kGroupList;
  const int width = TwipsToPixels(groups ? kGroupListWidth : kJustificationListWidth);
  const QModelIndex cell =
      model_->index(GridTableModel::RowOfDay(grid_->active_day()), grid_->active_column());
  const QRect rect = view_->visualRect(cell);
  const int top = view_->mapTo(frame_, QPoint(0, 0)).y();
  // Beside the column: on its right when the list fits there, else on its left.
  int x = view_->viewport()->mapTo(frame_, rect.topRight()).x() + 2;
  if (x + width > frame_->width())
    x = std::max(0, view_->viewport()->mapTo(frame_, rect.topLeft()).x() - width - 2);
  const int height =
      std::min(TwipsToPixels(kListHeight), std::max(100, frame_->height() - top - 4));
  frame_lista_->setGeometry(x, top, width, height);
}

void GridScreen::ShowTotals() {
  for (size_t i = 0; i < label5_.size(); ++i) label5_[i]->setText(FromUtf8(grid_->totals()[i]));
}

void GridScreen::PlaceTotals() {
  // Each total under its column.
  for (size_t i = 0; i < label5_.size(); ++i) {
    const int column = grid::kTotalColumns[i];
    const int x = view_->frameWidth() + view_->columnViewportPosition(column);
    label5_[i]->setGeometry(x, 0, view_->columnWidth(column), totals_bar_->height());
  }
}

bool GridScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched == totals_bar_ &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
    PlaceTotals();
  } else if (watched == list_mod_timb_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      ListModTimb_Click(list_mod_timb_->currentRow());
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      Run([this] { grid_->CloseList(); });
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

// --- Buttons ---

void GridScreen::CmdMemTimbrature_Click() {
  Run([this] { grid_->ConfirmAndSave(); });
}

void GridScreen::cmdAnnulla_Click() {
  Run([this] { grid_->cmdAnnulla(); });
}

void GridScreen::cmdInformazioni_Click() {
  Run([this] {
    grid_->CloseEditors();
    std::string text;
    for (std::string_view line : ManualEditingHelpLines()) {
      if (!text.empty()) text += '\n';
      text += line;
    }
    form_.dialogs().Show(text, kManualEditingHelpHeading, MessageIcon::kInformation);
  });
}

// --- Forced settings ---

bool GridScreen::Target(ForcedMonth* target) const {
  const GridMonth& shown = grid_->month();
  target->employee = shown.employee;
  target->year = shown.year;
  target->month = shown.month;
  target->employee_text = std::string(Trim(ToUtf8(labeldipend_->text())));
  return !target->employee.empty() && shown.month >= 1 && shown.month <= 12;
}

void GridScreen::HideSettingFrames() {
  frame_ass_->hide();
  frame_imposta_->hide();
}

void GridScreen::FillDays(QComboBox* first, QComboBox* last) {
  ForcedMonth target;
  const int days = Target(&target) ? MonthLength(target.month, target.year) : 31;
  for (QComboBox* combo : {first, last}) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (int d = 1; d <= days; ++d) combo->addItem(FromUtf8(ZeroPad(d, 2)));
    combo->setCurrentIndex(0);
  }
}

void GridScreen::CmdAssenza_Click() {
  Run([this] {
    grid_->CloseEditors();
    if (!AskForcedSetting(form_.dialogs(), ForcedSetting::kAbsence)) return;
    FillDays(cb_ass_da_, cb_ass_a_);
    std::vector<JustificationRow> rows;
    Check(form_.session().db().ListJustifications(&rows));
    combo_ass_->clear();
    for (const JustificationRow& row : rows)
      combo_ass_->addItem(FromUtf8(row.code + " " + row.gius[1]));
    frame_imposta_->hide();
    frame_ass_->adjustSize();
    frame_ass_->move(std::max(0, (frame_->width() - frame_ass_->width()) / 2), TwipsToPixels(1500));
    frame_ass_->show();
    frame_ass_->raise();
    combo_ass_->setFocus();
  });
}

void GridScreen::cmdGruppo_Click() {
  Run([this] {
    grid_->CloseEditors();
    if (!AskForcedSetting(form_.dialogs(), ForcedSetting::kGroup)) return;
    FillDays(combo_da_, combo_a_);
    std::vector<GroupRow> rows;
    Check(form_.session().db().ListGroups(&rows));
    combo1_->clear();
    for (const GroupRow& row : rows) combo1_->addItem(FromUtf8(row.code + " " + row.grup[1]));
    lab_imposta_[0]->setText(QStringLiteral("GRUPPO ORARIO"));
    lab_imposta_[1]->setText(QStringLiteral("IMPOSTA GRUPPO ORARIO"));
    frame_ore_->hide();
    frame_gruppo_->show();
    frame_ass_->hide();
    frame_imposta_->adjustSize();
    frame_imposta_->move(std::max(0, (frame_->width() - frame_imposta_->width()) / 2),
                         TwipsToPixels(1500));
    frame_imposta_->show();
    frame_imposta_->raise();
    combo1_->setFocus();
  });
}

void GridScreen::cmdOreLav_Click() {
  Run([this] {
    grid_->CloseEditors();
    if (!AskForcedSetting(form_.dialogs(), ForcedSetting::kWorkedHours)) return;
    FillDays(combo_da_, combo_a_);
    txt_imp_ore_->ShowText("00:00");
    lab_imposta_[0]->setText(QStringLiteral("ORE LAVORATE"));
    lab_imposta_[1]->setText(QStringLiteral("IMPOSTA ORE LAVORATIVE"));
    frame_gruppo_->hide();
    frame_ore_->show();
    frame_ass_->hide();
    frame_imposta_->adjustSize();
    frame_imposta_->move(std::max(0, (frame_->width() - frame_imposta_->width()) / 2),
                         TwipsToPixels(1500));
    frame_imposta_->show();
    frame_imposta_->raise();
    txt_imp_ore_->setFocus();
  });
}

void GridScreen::ComboA_Click() { CheckDayOrder(combo_da_, combo_a_); }

void GridScreen::CheckDayOrder(QComboBox* first, QComboBox* last) {
  Run([this, first, last] {
    if (last->currentIndex() >= first->currentIndex()) return;
    form_.dialogs().Show(kDayOrderMessage, kFormCaption, MessageIcon::kExclamation);
    const QSignalBlocker blocker(last);
    last->setCurrentIndex(first->currentIndex());
  });
}

void GridScreen::Rebuild() {
  grid_->Reload();
  view_->setFocus();
}

void GridScreen::CmdImpostaAss_Click(int index) {
  Run([this, index] {
    if (index == 0) {
      ForcedMonth target;
      if (Target(&target)) {
        AbsenceSetting setting;
        setting.code = ToUtf8(combo_ass_->currentText());
        setting.hours = ToUtf8(txt_ore_ass_->text());
        setting.from_day = cb_ass_da_->currentText().toInt();
        setting.to_day = cb_ass_a_->currentText().toInt();
        setting.cover_holidays = check_copri_fest_->isChecked();
        setting.consider_worked_hours = check_ore_lav_->isChecked();
        ASSEGNA_ASSENZA_GIORNI(form_.session().job(), target, setting);
      }
      Rebuild();
    }
    frame_ass_->hide();
    check_copri_fest_->setChecked(false);
    check_ore_lav_->setChecked(false);
    txt_ore_ass_->ShowText("00:00");
    view_->setFocus();
  });
}

void GridScreen::CmdImpostaGruppo_Click(int index) {
  Run([this, index] {
    if (index == 0) {
      ForcedMonth target;
      if (Target(&target)) {
        const int from = combo_da_->currentText().toInt();
        const int to = combo_a_->currentText().toInt();
        // The visible sub-frame decides which setting runs.
        if (frame_gruppo_->isVisibleTo(frame_imposta_)) {
          IMPOSTAGRUPPO(form_.session().job(), target, ToUtf8(combo1_->currentText()), from, to);
        } else {
          IMPOSTAORELAV(form_.session().job(), target, ToUtf8(txt_imp_ore_->text()), from, to);
        }
      }
      Rebuild();
    }
    frame_imposta_->hide();
    view_->setFocus();
  });
}

void GridScreen::cmdReimposta_Click() {
  Run([this] {
    grid_->CloseEditors();
    HideSettingFrames();
    ForcedMonth target;
    if (!Target(&target)) return;
    if (kaveltar::cmdReimposta(form_.session().job(), target).result == ForcedResult::kDone)
      Rebuild();
  });
}

}  // namespace kaveltar::ui
