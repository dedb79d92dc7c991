#pragma once
// The file list: one checkable row per GIF file with the columns of a run's results,
// sorted by any column (names the way the desktop's file manager sorts them, sizes and
// percentages as numbers), with check all / none / invert and Space for the selected rows.

#include <QTreeWidget>

#include <string>

namespace lumvane {

enum TFileColumn { colFileName, colOriginalSize, colOptimizedSize, colReduction };

class TFileList : public QTreeWidget {
  Q_OBJECT

public:
  explicit TFileList(QWidget* parent = nullptr);

  // Adds a checked row showing caption for the file at path (its own bytes: a name that is
  // not valid UTF-8 would not survive the caption); the full path is its tooltip.
  QTreeWidgetItem* AddFile(const std::string& path, const QString& caption);
  static std::string PathOf(const QTreeWidgetItem* row);

  void CheckAll();
  void CheckNone();
  void InvertChecks();
  // Gives every selected row the check state the current row does not have.
  void ToggleSelected();

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  void SetAllChecks(Qt::CheckState (*state)(Qt::CheckState));
};

}  // namespace lumvane
