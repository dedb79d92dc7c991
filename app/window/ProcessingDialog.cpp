#include "app/window/ProcessingDialog.h"

#include <QFontMetrics>

namespace lumvane {

TfrmProcessing::TfrmProcessing(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("frmProcessing");
  setWindowTitle("Processing...");
  setModal(false);
  setFixedSize(321, 59);
  LabelProgress = new QLabel(" ", this);
  LabelProgress->setObjectName("LabelProgress");
  LabelProgress->setGeometry(8, 6, 305, 16);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setGeometry(8, 28, 243, 23);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setFormat("%v of %m");
  btnAbort = new QPushButton("Abort", this);
  btnAbort->setObjectName("btnAbort");
  btnAbort->setGeometry(251, 28, 62, 23);
  btnAbort->setAutoDefault(false);
  connect(btnAbort, &QPushButton::clicked, this, &TfrmProcessing::btnAbortClick);
}

void TfrmProcessing::StartRun(int checkedFiles) {
  LabelProgress->setText(" ");
  LabelProgress->setToolTip(QString());
  // An empty range would show a busy indicator; a run without files shows an empty bar.
  ProgressBar->setRange(0, checkedFiles > 0 ? checkedFiles : 1);
  ProgressBar->setValue(0);
  if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
  show();
  raise();
}

void TfrmProcessing::ShowFiles(const QStringList& names) {
  const QString text = names.join(", ");
  // The whole list stays as the tooltip when the line cannot hold it.
  LabelProgress->setText(text.isEmpty() ? QStringLiteral(" ")
                                        : QFontMetrics(LabelProgress->font()).elidedText(text, Qt::ElideRight,
                                                                                        LabelProgress->width()));
  LabelProgress->setToolTip(text);
}

void TfrmProcessing::FileDone(int filesDone) { ProgressBar->setValue(std::min(filesDone, ProgressBar->maximum())); }

void TfrmProcessing::btnAbortClick() {
  if (OnAbort) OnAbort();
}

}  // namespace lumvane
