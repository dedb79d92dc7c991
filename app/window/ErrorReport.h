#pragma once
// The application's default error report: an error that no handler catches is shown in a
// message box with its text, and the program goes on.

#include <QApplication>
#include <QString>

#include <functional>
#include <utility>

namespace lumvane {

// Shows the text the way the report is currently made (a message box by default).
void ShowDefaultErrorReport(const QString& text);
// Replaces how the report is made (tests collect the texts); none restores the message box.
void SetDefaultErrorReporter(std::function<void(const QString&)> reporter);

// Runs an event handler; whatever error escapes it goes to the default error report.
template <class THandler>
void Guarded(THandler&& handler) {
  try {
    std::forward<THandler>(handler)();
  } catch (const std::exception& error) {
    ShowDefaultErrorReport(QString::fromStdString(error.what()));
  } catch (...) {
    ShowDefaultErrorReport(QStringLiteral("Unknown error"));
  }
}

// The application object: the last resort for errors thrown from inside event delivery.
class TLumvaneApplication : public QApplication {
public:
  TLumvaneApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace lumvane
