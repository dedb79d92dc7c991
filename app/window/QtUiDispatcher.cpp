#include "app/window/QtUiDispatcher.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>

#include "render/Painter.h"

namespace lumvane {

TQtUiDispatcher::TQtUiDispatcher() = default;
TQtUiDispatcher::~TQtUiDispatcher() = default;

void TQtUiDispatcher::RunOnUiThread(const std::function<void()>& step) {
  if (IsUiThread()) {
    step();
    return;
  }
  std::exception_ptr error;
  QMetaObject::invokeMethod(
      &receiver_,
      [&step, &error] {
        try {
          step();
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (error) std::rethrow_exception(error);
}

bool TQtUiDispatcher::ProcessPendingEvents() {
  QCoreApplication::processEvents();
  return !QCoreApplication::closingDown();
}

bool TQtUiDispatcher::IsUiThread() const { return QThread::currentThread() == receiver_.thread(); }

TPainterDispatchScope::TPainterDispatchScope() : previous_(PainterServices().Dispatcher) {
  PainterServices().Dispatcher = &dispatcher_;
}

TPainterDispatchScope::~TPainterDispatchScope() {
  while (TGIFPainter::RunningThreads() > 0) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  PainterServices().Dispatcher = previous_;
}

}  // namespace lumvane
