#include "ui/list_widgets.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSignalBlocker>

#include "base/encoding.h"

namespace kaveltar::ui {

QString ArrayName(const char* name, int index) {
  return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index);
}

void SetArrayName(QWidget* widget, const char* name, int index) {
  widget->setObjectName(ArrayName(name, index));
  widget->setProperty("index", index);
}

// Whether every letter of `font` is drawn with the same advance, as the fixed columns of the
// list lines need. Measured, since some monospaced fonts do not declare themselves so.
bool DrawsFixedColumns(const QFont& font) {
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(QStringLiteral("iiiii")) ==
         metrics.horizontalAdvance(QStringLiteral("MMMMM"));
}

QFont ListFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSize(8);
  if (DrawsFixedColumns(font)) return font;
  // The desktop's fixed font is not monospaced here: take the first one that is.
  for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Courier New", "Nimbus Mono PS",
                             "Noto Sans Mono", "Courier"}) {
    QFont candidate(QString::fromLatin1(family), 8);
    candidate.setStyleHint(QFont::TypeWriter);
    if (DrawsFixedColumns(candidate)) return candidate;
  }
  return font;
}

QListWidget* NewList(QWidget* parent, const char* name, QAbstractItemView::SelectionMode mode) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setFont(ListFont());
  list->setSelectionMode(mode);
  list->setUniformItemSizes(true);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  return list;
}

namespace {

constexpr int kLineRole = Qt::UserRole;
constexpr int kCodeRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;

QByteArray Bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Role(const QListWidgetItem* item, int role) {
  return item->data(role).toByteArray().toStdString();
}

QListWidgetItem* NewItem(const ListEntry& entry) {
  auto* item = new QListWidgetItem(FromUtf8(Cp1252ToUtf8(entry.line)));
  item->setData(kLineRole, Bytes(entry.line));
  item->setData(kCodeRole, Bytes(entry.code));
  item->setData(kNameRole, Bytes(entry.name));
  return item;
}

}  // namespace

void SetEntries(QListWidget* list, const std::vector<ListEntry>& entries) {
  const QSignalBlocker blocker(list);
  list->clear();
  for (const ListEntry& entry : entries) list->addItem(NewItem(entry));
  // clear() leaves the view's scroll positions and selection model behind the signals we
  // blocked; make the empty selection visible to the view.
  list->setCurrentRow(-1);
}

ListEntry EntryAt(const QListWidget* list, int row) {
  const QListWidgetItem* item = list->item(row);
  if (item == nullptr) return {};
  return ListEntry{Role(item, kCodeRole), Role(item, kNameRole), Role(item, kLineRole)};
}

std::vector<ListEntry> AllEntries(const QListWidget* list) {
  std::vector<ListEntry> entries;
  entries.reserve(static_cast<size_t>(list->count()));
  for (int row = 0; row < list->count(); ++row) entries.push_back(EntryAt(list, row));
  return entries;
}

std::string LineAt(const QListWidget* list, int row) {
  const QListWidgetItem* item = list->item(row);
  if (item == nullptr) return {};
  return Role(item, kLineRole);
}

std::vector<std::string> AllLines(const QListWidget* list) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(list->count()));
  for (int row = 0; row < list->count(); ++row) lines.push_back(LineAt(list, row));
  return lines;
}

QListWidget* NewMonthList(QWidget* parent, const char* name, int month) {
  QListWidget* list = NewList(parent, name);
  for (const char* month_name : kMonthNames) list->addItem(QString::fromUtf8(month_name));
  if (month >= 1 && month <= 12) list->setCurrentRow(month - 1);
  return list;
}

QButtonGroup* NewOrderOption(QWidget* parent, const char* name, const char* caption0,
                             const char* caption1) {
  auto* group = new QButtonGroup(parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setExclusive(true);
  const char* captions[2] = {caption0, caption1};
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(captions[i]), parent);
    SetArrayName(option, name, i);
    group->addButton(option, i);
  }
  group->button(0)->setChecked(true);
  return group;
}

YearBox::YearBox(QWidget* parent, const char* label_name, const char* buttons_name,
                 int processing_year, Dialogs& dialogs)
    : QWidget(parent), navigator_(processing_year), dialogs_(dialogs) {
  back_ = new QPushButton(QStringLiteral("<<"), this);
  SetArrayName(back_, buttons_name, 0);
  label_ = new QLabel(QString::number(processing_year), this);
  label_->setObjectName(QString::fromLatin1(label_name));
  label_->setAlignment(Qt::AlignCenter);
  label_->setFrameShape(QFrame::Panel);
  label_->setFrameShadow(QFrame::Sunken);
  label_->setMinimumWidth(56);
  QFont bold = label_->font();
  bold.setBold(true);
  label_->setFont(bold);
  forward_ = new QPushButton(QStringLiteral(">>"), this);
  SetArrayName(forward_, buttons_name, 1);
  for (QPushButton* b : {back_, forward_}) b->setFixedWidth(34);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  row->addWidget(back_);
  row->addWidget(label_, 1);
  row->addWidget(forward_);

  connect(back_, &QPushButton::clicked, this, [this] { Move(false); });
  connect(forward_, &QPushButton::clicked, this, [this] { Move(true); });
}

void YearBox::Move(bool forward) {
  const bool moved = forward ? navigator_.Forward(dialogs_) : navigator_.Back(dialogs_);
  if (!moved) return;
  label_->setText(QString::number(navigator_.shown()));
  if (changed_) changed_();
}

}  // namespace kaveltar::ui
