// Writes PNG screenshots of the main window after a Test run over a folder, and of the
// about dialog, for the documentation: lumvane_screenshot FOLDER OUTDIR.

#include <QApplication>
#include <QDir>
#include <QIcon>
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
  window.actTest->trigger();
  QApplication::processEvents();
  bool saved = window.grab().save(output + "/main-window.png");

  window.frmAbout->move(window.geometry().center() - window.frmAbout->rect().center());
  window.frmAbout->show();
  QApplication::processEvents();
  saved = window.frmAbout->grab().save(output + "/about-dialog.png") && saved;
  window.frmAbout->hide();
  window.animator->Clear();
  std::cout << output.toStdString() << "/main-window.png\n" << output.toStdString() << "/about-dialog.png\n";
  return saved ? 0 : 1;
}
