#pragma once
// The progress dialog of a batch run: the files being worked on, the files done out of the
// files checked, and an Abort button. Modeless and above the main window; closing it by its
// title bar only hides it.

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <functional>

namespace lumvane {

class TfrmProcessing : public QDialog {
  Q_OBJECT

public:
  explicit TfrmProcessing(QWidget* owner);

  // Shows the dialog for a run over the number of checked files.
  void StartRun(int checkedFiles);
  // The files being worked on, by name, in the label.
  void ShowFiles(const QStringList& names);
  void FileDone(int filesDone);
  void btnAbortClick();

  QLabel* LabelProgress;
  QProgressBar* ProgressBar;
  QPushButton* btnAbort;
  // The main window's abort action.
  std::function<void()> OnAbort;
};

}  // namespace lumvane
