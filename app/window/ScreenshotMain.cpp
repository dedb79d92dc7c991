// Writes PNG screenshots for the documentation: the main window in the middle of a thorough
// Test run over a folder (with its progress dialog), after a Test run, and the about dialog:
// lumvane_screenshot FOLDER OUTDIR.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPainter>
#include <QTimer>

#include <iostream>

#include "app/window/ErrorReport.h"
#include "app/window/MainWindow.h"
#include "app/window/QtUiDispatcher.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: lumvane_screenshot FOLDER OUTDIR\n";
    return 2;
  }
  lumvane::TLumvaneApplication application(argc, argv);
  QApplication::setApplicationName("Lumvane");
  QApplication::setWindowIcon(QIcon(":/lumvane/lumvane.svg"));
  const lumvane::TPainterDispatchScope painterDispatch;
  const QString folder = QDir(argv[1]).absolutePath(), output = QDir(argv[2]).absolutePath();
  QDir().mkpath(output);

  lumvane::TfrmMain window(folder);
  window.show();
  QApplication::processEvents();
  // The preview shows the first file that loads.
  for (int i = 0; i < window.ListViewFiles->topLevelItemCount(); ++i) {
    window.ListViewFiles->setCurrentItem(window.ListViewFiles->topLevelItem(i));
    try {
      window.ListViewFilesClick();
      break;
    } catch (const std::exception&) {
    }
  }
  // Mid-run: once a few rows are in, the window with its dialog where it stands; then the
  // run is aborted.
  bool saved = false;
  QTimer midRun;
  QObject::connect(&midRun, &QTimer::timeout, &window, [&] {
    if (!window.Running() || window.frmProcessing->ProgressBar->value() < 3) return;
    midRun.stop();
    QImage picture = window.grab().toImage();
    QPainter painter(&picture);
    painter.drawPixmap(window.frmProcessing->geometry().topLeft() - window.geometry().topLeft(),
                       window.frmProcessing->grab());
    painter.end();
    saved = picture.save(output + "/running.png");
    window.actAbortExecute();
  });
  midRun.start(10);
  window.SetWorkerSetting(2);
  window.actThorough->setChecked(true);
  window.actTest->trigger();
  window.actThorough->setChecked(false);

  window.actTest->trigger();
  QApplication::processEvents();
  saved = window.grab().save(output + "/main-window.png") && saved;

  window.frmAbout->move(window.geometry().center() - window.frmAbout->rect().center());
  window.frmAbout->show();
  QApplication::processEvents();
  saved = window.frmAbout->grab().save(output + "/about-dialog.png") && saved;
  window.frmAbout->hide();
  window.animator->Clear();
  for (const char* name : {"running.png", "main-window.png", "about-dialog.png"})
    std::cout << output.toStdString() << '/' << name << '\n';
  return saved ? 0 : 1;
}
