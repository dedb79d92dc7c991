#pragma once
// The painters' way onto the user-interface thread: a step is posted to the Qt event loop
// and the painter thread waits until it has run.

#include <QObject>

#include "render/PainterServices.h"

namespace lumvane {

class TQtUiDispatcher : public TUiDispatcher {
public:
  // Made on the user-interface thread, whose event loop then serves the requests.
  TQtUiDispatcher();
  ~TQtUiDispatcher() override;

  void RunOnUiThread(const std::function<void()>& step) override;
  bool ProcessPendingEvents() override;
  bool IsUiThread() const override;

private:
  QObject receiver_;
};

// Installs the dispatcher for painters as long as it lives; on destruction it waits, serving
// their requests, until no painter thread is left, and puts the previous dispatcher back.
class TPainterDispatchScope {
public:
  TPainterDispatchScope();
  ~TPainterDispatchScope();
  TPainterDispatchScope(const TPainterDispatchScope&) = delete;
  TPainterDispatchScope& operator=(const TPainterDispatchScope&) = delete;

private:
  TQtUiDispatcher dispatcher_;
  TUiDispatcher* previous_;
};

}  // namespace lumvane
