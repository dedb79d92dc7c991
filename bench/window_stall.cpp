// How long the window's event loop goes unserved while a thorough Test run works on worker
// threads: a timer asks to be served every 2 ms, and the longest wait between two turns is
// reported for the run, and for the same time with the window idle as the baseline of this
// machine at this moment. window_stall [FOLDER] (default: the animated corpus).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/window/BatchRun.h"
#include "app/window/ErrorReport.h"
#include "app/window/MainWindow.h"
#include "app/window/QtUiDispatcher.h"
#include "support/Corpus.h"

namespace {

// The waits between turns of the event loop, in milliseconds, while the work runs.
template <class TWork>
std::vector<double> TurnWaits(TWork&& work) {
  std::vector<double> waits;
  QElapsedTimer clock;
  QTimer turn;
  turn.setTimerType(Qt::PreciseTimer);
  QObject::connect(&turn, &QTimer::timeout, [&] {
    if (clock.isValid()) waits.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    clock.start();
  });
  turn.start(2);
  work();
  turn.stop();
  return waits;
}

void Print(const char* what, std::vector<double> waits, double seconds) {
  std::sort(waits.begin(), waits.end());
  const auto at = [&](double share) { return waits.empty() ? 0.0 : waits[static_cast<std::size_t>(share * (waits.size() - 1))]; };
  std::printf("%-6s %8.1f s %8zu turns   median %6.1f ms   99%% %6.1f ms   longest %7.1f ms\n", what, seconds,
              waits.size(), at(0.5), at(0.99), waits.empty() ? 0.0 : waits.back());
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  ::setenv("HOME", QFile::encodeName(home.path()).constData(), 1);
  ::setenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/.config").constData(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  lumvane::TLumvaneApplication application(argc, argv);
  QApplication::setApplicationName("Lumvane");
  const lumvane::TPainterDispatchScope painterDispatch;
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QString::fromStdString(lumvane::test::CorpusDir()) + "/animated";
  lumvane::TfrmMain window(QDir(folder).absolutePath());
  window.show();
  QApplication::processEvents();
  window.actThorough->setChecked(true);
  std::printf("thorough Test of %d files in %s, %d workers\n", window.ListViewFiles->topLevelItemCount(),
              qPrintable(window.FolderPath), lumvane::WorkersForSetting(window.WorkerSetting()));

  QElapsedTimer clock;
  clock.start();
  const std::vector<double> running = TurnWaits([&] { window.actTest->trigger(); });
  const double seconds = static_cast<double>(clock.elapsed()) / 1000;
  const std::vector<double> idle = TurnWaits([&] {
    QEventLoop wait;
    QTimer::singleShot(std::min<qint64>(clock.elapsed(), 10000), &wait, &QEventLoop::quit);
    wait.exec();
  });
  Print("run", running, seconds);
  Print("idle", idle, std::min(seconds, 10.0));
  window.animator->Clear();
  return 0;
}
