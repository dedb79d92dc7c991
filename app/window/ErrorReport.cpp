#include "app/window/ErrorReport.h"

#include <QMessageBox>

namespace lumvane {
namespace {

std::function<void(const QString&)>& Reporter() {
  static std::function<void(const QString&)> reporter;
  return reporter;
}

}  // namespace

void ShowDefaultErrorReport(const QString& text) {
  if (Reporter()) {
    Reporter()(text);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
}

void SetDefaultErrorReporter(std::function<void(const QString&)> reporter) { Reporter() = std::move(reporter); }

TLumvaneApplication::TLumvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TLumvaneApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace lumvane
