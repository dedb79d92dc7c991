#include "app/window/FileList.h"

#include <QCollator>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <optional>

namespace lumvane {
namespace {

constexpr int kPathRole = Qt::UserRole;

// Grid lines between the cells of the file list.
class TGridDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
  }
};

// Text compared the user's way (case aside), numbers in it by their value: "img9" before
// "img10". The collator's own numeric mode is not used: it does nothing in the C locale.
int NaturalCompare(QStringView a, QStringView b) {
  static const QCollator collator = [] {
    QCollator made;  // the user's locale
    made.setCaseSensitivity(Qt::CaseInsensitive);
    return made;
  }();
  const auto run = [](QStringView text, qsizetype& at) {
    const qsizetype start = at;
    const bool digits = text[at].isDigit();
    while (at < text.size() && text[at].isDigit() == digits) ++at;
    return text.mid(start, at - start);
  };
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool numbers = a[i].isDigit() && b[j].isDigit();
    QStringView x = run(a, i), y = run(b, j);
    if (numbers) {
      while (x.size() > 1 && x.front() == u'0') x = x.mid(1);
      while (y.size() > 1 && y.front() == u'0') y = y.mid(1);
      if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
      if (const int order = x.compare(y); order != 0) return order;
    } else if (const int order = collator.compare(x, y); order != 0) {
      return order;
    }
  }
  return (i < a.size()) - (j < b.size());
}

// A size ("1234") or a reduction ("12%") as its number; none for a message or nothing.
std::optional<qint64> NumberIn(QString text) {
  if (text.endsWith('%')) text.chop(1);
  bool ok = false;
  const qint64 number = text.toLongLong(&ok);
  return ok ? std::optional<qint64>(number) : std::nullopt;
}

// A row that sorts by the sorting column: numbers as numbers before texts, texts and names
// as the file manager orders them, rows alike by name.
class TFileRow : public QTreeWidgetItem {
public:
  using QTreeWidgetItem::QTreeWidgetItem;

  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : colFileName;
    if (column != colFileName) {
      const QString mine = text(column), theirs = other.text(column);
      const std::optional<qint64> a = NumberIn(mine), b = NumberIn(theirs);
      if (a && b && *a != *b) return *a < *b;
      if (a.has_value() != b.has_value()) return a.has_value();
      if (!a && mine != theirs) {
        // Empty cells (files not run) after the messages.
        if (mine.isEmpty() != theirs.isEmpty()) return theirs.isEmpty();
        return NaturalCompare(mine, theirs) < 0;
      }
    }
    const int byName = NaturalCompare(text(colFileName), other.text(colFileName));
    return byName != 0 ? byName < 0 : text(colFileName) < other.text(colFileName);
  }
};

}  // namespace

TFileList::TFileList(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(4);
  setHeaderLabels({"File Name", "Original Size", "Optimized Size", "Reduction"});
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new TGridDelegate(this));
  setContextMenuPolicy(Qt::CustomContextMenu);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(colFileName, QHeaderView::Stretch);
  header()->setSectionsClickable(true);
  setSortingEnabled(true);
  sortByColumn(colFileName, Qt::AscendingOrder);
}

QTreeWidgetItem* TFileList::AddFile(const std::string& path, const QString& caption) {
  auto* row = new TFileRow;
  row->setText(colFileName, caption);
  row->setData(colFileName, kPathRole, QByteArray::fromStdString(path));
  row->setToolTip(colFileName, QFile::decodeName(QByteArray::fromStdString(path)));
  row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  row->setCheckState(colFileName, Qt::Checked);
  for (int column : {colOriginalSize, colOptimizedSize, colReduction})
    row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  addTopLevelItem(row);
  return row;
}

std::string TFileList::PathOf(const QTreeWidgetItem* row) {
  return row->data(colFileName, kPathRole).toByteArray().toStdString();
}

void TFileList::SetAllChecks(Qt::CheckState (*state)(Qt::CheckState)) {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = topLevelItem(i);
    row->setCheckState(colFileName, state(row->checkState(colFileName)));
  }
}

void TFileList::CheckAll() {
  SetAllChecks([](Qt::CheckState) { return Qt::Checked; });
}

void TFileList::CheckNone() {
  SetAllChecks([](Qt::CheckState) { return Qt::Unchecked; });
}

void TFileList::InvertChecks() {
  SetAllChecks([](Qt::CheckState state) { return state == Qt::Checked ? Qt::Unchecked : Qt::Checked; });
}

void TFileList::ToggleSelected() {
  const QList<QTreeWidgetItem*> rows = selectedItems();
  if (rows.isEmpty()) return;
  const QTreeWidgetItem* lead = currentItem() && currentItem()->isSelected() ? currentItem() : rows.first();
  const Qt::CheckState state = lead->checkState(colFileName) == Qt::Checked ? Qt::Unchecked : Qt::Checked;
  for (QTreeWidgetItem* row : rows) row->setCheckState(colFileName, state);
}

void TFileList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    ToggleSelected();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace lumvane
