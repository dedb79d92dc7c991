#pragma once
// The folder tree: a root node for the desktop folder, its subfolders, and below it the home
// folder and the file-system root; folders only, hidden ones left out, read when a node is
// first expanded and again on request (no automatic refresh).

#include <QSet>
#include <QString>
#include <QTreeWidget>

namespace lumvane {

class TFolderTree : public QTreeWidget {
  Q_OBJECT

public:
  explicit TFolderTree(QWidget* parent = nullptr);

  // Builds the tree for the desktop folder: adds the root node, expands it one level and
  // selects it, which raises SelectionChanged.
  void Build(const QString& desktopPath);
  QTreeWidgetItem* RootNode() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
  QTreeWidgetItem* SelectedNode() const { return currentItem(); }
  // The node shown at the top of the view.
  QTreeWidgetItem* TopNode() const;
  // The file-system path of the selected folder (no trailing slash except for "/"); empty
  // when nothing is selected.
  QString SelectedPath() const;
  static QString PathOf(const QTreeWidgetItem* node);
  // Reads the folders below the node again, keeping expanded nodes expanded and the selected
  // folder selected (or its nearest remaining parent); raises SelectionChanged once.
  void Reread(QTreeWidgetItem* node);
  // Opens the nodes down to the folder and selects it (below the file-system root node),
  // hidden folders on the way too; false when it is not a folder.
  bool SelectPath(const QString& path);

signals:
  void SelectionChanged();

protected:
  void mousePressEvent(QMouseEvent* event) override;

private:
  QTreeWidgetItem* AddFolderNode(QTreeWidgetItem* parent, const QString& path, const QString& caption,
                                 const QIcon& icon);
  void FillChildren(QTreeWidgetItem* node);
  // Reread without raising SelectionChanged.
  void RereadQuietly(QTreeWidgetItem* node);
  void CollectExpanded(QTreeWidgetItem* node, QSet<QString>& paths) const;
  void Reexpand(QTreeWidgetItem* node, const QSet<QString>& paths);
  QTreeWidgetItem* FindChild(QTreeWidgetItem* node, const QString& path);
  // A node for the hidden folder below node on the way to target (the tree leaves hidden
  // folders out until one is asked for); none when the next folder is not hidden.
  QTreeWidgetItem* AddHiddenFolderTowards(QTreeWidgetItem* node, const QString& target);
  // The home (1) or file-system (2) node below the desktop.
  QTreeWidgetItem* PlaceNode(int place) const;
};

}  // namespace lumvane
