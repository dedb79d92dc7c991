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
int RunWindow(int argc, char** argv, const std::string& startFolder) {
  TLumvaneApplication application(argc, argv);
  QApplication::setApplicationName("Lumvane");
  QApplication::setWindowIcon(QIcon(":/lumvane/lumvane.svg"));
  RegisterGIFImage();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) DisplaySettings().BitsPerPixel = screen->depth();

  const TPainterDispatchScope painterDispatch;
  QString folder = QFile::decodeName(QByteArray::fromStdString(startFolder));
  if (!folder.isEmpty() && !QFileInfo(folder).isDir()) folder = QFileInfo(folder).absolutePath();
  TfrmMain window(folder);
  window.show();
  const int status = QApplication::exec();
  // The preview's painter stops while the window and the event loop's services still exist.
  window.animator->Clear();
  return status;
}

}  // namespace lumvane
