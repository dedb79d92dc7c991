#include "app/window/FolderTree.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace lumvane {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kUnreadRole = Qt::UserRole + 1;  // the children have not been read yet
constexpr int kPlaceRole = Qt::UserRole + 2;   // the home or file-system node below the desktop
enum TPlace { placeFolder, placeHome, placeFileSystem };

QString CanonicalPath(const QTreeWidgetItem* node) { return QDir(node->data(0, kPathRole).toString()).canonicalPath(); }

QStringList Subfolders(const QString& path) {
  QDir dir(path);
  return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QString JoinPath(const QString& folder, const QString& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// Whether the path lies in or below the folder (none for a folder that no longer exists,
// whose canonical path is empty).
bool IsWithin(const QString& path, const QString& folder) {
  if (folder.isEmpty()) return false;
  if (path == folder) return true;
  const QString prefix = folder.endsWith('/') ? folder : folder + '/';
  return path.startsWith(prefix);
}

}  // namespace

TFolderTree::TFolderTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(19);
  setRootIsDecorated(true);
  setContextMenuPolicy(Qt::PreventContextMenu);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderTree::FillChildren);
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { emit SelectionChanged(); });
}

void TFolderTree::mousePressEvent(QMouseEvent* event) {
  // Either button selects the folder under the pointer.
  if (QTreeWidgetItem* node = itemAt(event->pos()); node && event->button() == Qt::RightButton) setCurrentItem(node);
  QTreeWidget::mousePressEvent(event);
}

QTreeWidgetItem* TFolderTree::AddFolderNode(QTreeWidgetItem* parent, const QString& path, const QString& caption,
                                            const QIcon& icon) {
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  node->setText(0, caption);
  node->setIcon(0, icon);
  node->setData(0, kPathRole, path);
  node->setData(0, kUnreadRole, true);
  node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);  // until its folders are read
  return node;
}

void TFolderTree::FillChildren(QTreeWidgetItem* node) {
  if (!node->data(0, kUnreadRole).toBool()) return;
  node->setData(0, kUnreadRole, false);
  const QFileIconProvider icons;
  const QString path = PathOf(node);
  for (const QString& name : Subfolders(path))
    AddFolderNode(node, JoinPath(path, name), name, icons.icon(QFileIconProvider::Folder));
  if (node == RootNode()) {
    AddFolderNode(node, QDir::homePath(), tr("Home"), style()->standardIcon(QStyle::SP_DirHomeIcon))
        ->setData(0, kPlaceRole, placeHome);
    AddFolderNode(node, QStringLiteral("/"), tr("File System"), icons.icon(QFileIconProvider::Drive))
        ->setData(0, kPlaceRole, placeFileSystem);
  }
  node->setChildIndicatorPolicy(node->childCount() ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TFolderTree::Build(const QString& desktopPath) {
  {
    const QSignalBlocker blocker(this);
    clear();
    const QString path = desktopPath.isEmpty() ? QStringLiteral("/") : desktopPath;
    QTreeWidgetItem* root =
        AddFolderNode(nullptr, path, tr("Desktop"), QFileIconProvider().icon(QFileIconProvider::Desktop));
    root->setExpanded(true);
    FillChildren(root);
    setCurrentItem(root);
  }
  emit SelectionChanged();
}

QTreeWidgetItem* TFolderTree::TopNode() const {
  QTreeWidgetItem* node = itemAt(0, 0);
  return node ? node : RootNode();
}

QString TFolderTree::PathOf(const QTreeWidgetItem* node) { return node ? node->data(0, kPathRole).toString() : QString(); }

QString TFolderTree::SelectedPath() const { return PathOf(currentItem()); }

void TFolderTree::CollectExpanded(QTreeWidgetItem* node, QSet<QString>& paths) const {
  for (int i = 0; i < node->childCount(); ++i) {
    QTreeWidgetItem* child = node->child(i);
    if (child->isExpanded()) paths.insert(PathOf(child));
    CollectExpanded(child, paths);
  }
}

void TFolderTree::Reexpand(QTreeWidgetItem* node, const QSet<QString>& paths) {
  for (int i = 0; i < node->childCount(); ++i) {
    QTreeWidgetItem* child = node->child(i);
    if (!paths.contains(PathOf(child))) continue;
    child->setExpanded(true);
    FillChildren(child);
    Reexpand(child, paths);
  }
}

void TFolderTree::Reread(QTreeWidgetItem* node) {
  if (!node) return;
  RereadQuietly(node);
  emit SelectionChanged();
}

void TFolderTree::RereadQuietly(QTreeWidgetItem* node) {
  const QSignalBlocker blocker(this);
  // The selection is kept by its place in the tree: the chain of paths from this node down.
  QList<QString> selectedChain;
  bool selectionBelow = false;
  for (QTreeWidgetItem* at = currentItem(); at; at = at->parent()) {
    if (at == node) {
      selectionBelow = true;
      break;
    }
    selectedChain.prepend(PathOf(at));
  }
  QSet<QString> expanded;
  CollectExpanded(node, expanded);
  qDeleteAll(node->takeChildren());
  node->setData(0, kUnreadRole, true);
  if (node->isExpanded() || node == RootNode()) {
    FillChildren(node);
    Reexpand(node, expanded);
  } else {
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }
  if (selectionBelow) {
    QTreeWidgetItem* at = node;
    for (const QString& path : selectedChain) {
      QTreeWidgetItem* next = FindChild(at, path);
      if (!next) break;
      at = next;
    }
    setCurrentItem(at);
  }
}

QTreeWidgetItem* TFolderTree::FindChild(QTreeWidgetItem* node, const QString& path) {
  FillChildren(node);
  for (int i = 0; i < node->childCount(); ++i)
    if (PathOf(node->child(i)) == path) return node->child(i);
  return nullptr;
}

QTreeWidgetItem* TFolderTree::PlaceNode(int place) const {
  QTreeWidgetItem* root = RootNode();
  for (int i = root ? root->childCount() - 1 : -1; i >= 0; --i)
    if (root->child(i)->data(0, kPlaceRole).toInt() == place) return root->child(i);
  return nullptr;
}

QTreeWidgetItem* TFolderTree::AddHiddenFolderTowards(QTreeWidgetItem* node, const QString& target) {
  const QString from = CanonicalPath(node);
  if (!IsWithin(target, from) || target == from) return nullptr;
  const QString name = target.mid(from.endsWith('/') ? from.size() : from.size() + 1).section('/', 0, 0);
  if (!name.startsWith('.')) return nullptr;
  return AddFolderNode(node, JoinPath(from, name), name, QFileIconProvider().icon(QFileIconProvider::Folder));
}

bool TFolderTree::SelectPath(const QString& path) {
  const QString target = QDir(path).canonicalPath();
  QTreeWidgetItem* root = RootNode();
  if (target.isEmpty() || !QFileInfo(target).isDir() || !root) return false;
  // The shortest way down: from the desktop when the folder lies below it, else from home,
  // else from the file-system root.
  FillChildren(root);
  QTreeWidgetItem* node = PlaceNode(placeFileSystem);
  for (QTreeWidgetItem* start : {root, PlaceNode(placeHome)})
    if (start && IsWithin(target, CanonicalPath(start))) {
      node = start;
      break;
    }
  // The child of a node on the way to the folder; none when there is none.
  const auto childTowards = [&](QTreeWidgetItem* at) -> QTreeWidgetItem* {
    FillChildren(at);
    for (int i = 0; i < at->childCount(); ++i)
      if (at->child(i)->data(0, kPlaceRole).toInt() == placeFolder && IsWithin(target, CanonicalPath(at->child(i))))
        return at->child(i);
    return nullptr;
  };
  while (node && CanonicalPath(node) != target) {
    QTreeWidgetItem* next = childTowards(node);
    if (!next) {
      // The folder may have been made after the node's folders were read.
      RereadQuietly(node);
      next = childTowards(node);
    }
    if (!next) next = AddHiddenFolderTowards(node, target);
    if (!next) return false;
    node->setExpanded(true);
    node = next;
  }
  if (!node) return false;
  setCurrentItem(node);
  scrollToItem(node);
  return true;
}

}  // namespace lumvane
