#include "app/window/RunWindow.h"

#include <QFileInfo>
#include <QIcon>
#include <QScreen>

#include "app/window/ErrorReport.h"
#include "app/window/MainWindow.h"
#include "app/window/QtUiDispatcher.h"
#include "gfx/Display.h"
#include "gif/GIFRegistration.h"

namespace lumvane {
int RunWindow(int argc, char** argv, const std::vector<std::string>& paths) {
  TLumvaneApplication application(argc, argv);
  QApplication::setApplicationName("Lumvane");
  QApplication::setWindowIcon(QIcon(":/lumvane/lumvane.svg"));
  RegisterGIFImage();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) DisplaySettings().BitsPerPixel = screen->depth();

  const TPainterDispatchScope painterDispatch;
  QStringList given;
  for (const std::string& path : paths) given << QFile::decodeName(QByteArray::fromStdString(path));
  const bool oneFolder = given.size() == 1 && QFileInfo(given.first()).isDir();
  TfrmMain window(oneFolder ? given.first() : QString());
  window.show();
  if (!given.isEmpty() && !oneFolder) window.OpenPaths(given);
  const int status = QApplication::exec();
  // The preview's painter stops while the window and the event loop's services still exist.
  window.animator->Clear();
  return status;
}

}  // namespace lumvane
