// The batch run as the user drives it from the window: Test and Optimize on worker threads
// over a folder of good, damaged, foreign and empty files, rows and the dialog while they
// work, Abort and closing in the middle of a long file, unchecked rows, a file that
// vanishes before its turn, and Refresh or a folder change asked for during a run.

#include <QElapsedTimer>
#include <QSet>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "WindowTest.h"
#include "app/FileOptimizer.h"

using namespace lumvane;
using namespace lumvane::test;

namespace {

// The listed files: name → corpus file (empty for the made-up ones).
const std::map<QString, QString> kCorpusCopies{
    {"hibiscus.gif", "animated/hibiscus.primitive.gif"},
    {"dog.unoptimized.gif", "animated/dog.unoptimized.gif"},
    {"hippopotamus.gif", "animated/hippopotamus.regular.gif"},
    {"BRICKS.GIF", "animated/bricks-nodither.gif"},
    {"damaged.gif", "broken/hippopotamus.interlaced.truncated.gif"},
};
const QByteArray kNotAPicture = "this is plain text, not a picture\n";

bool FillFolder(const TWindowTestFolder& folder) {
  for (const auto& [name, source] : kCorpusCopies)
    if (!folder.Copy(source, name)) return false;
  return folder.Write("x.gif", kNotAPicture) && folder.Write("empty.gif", {}) &&
         folder.Copy("animated/hibiscus.primitive.gif", ".hidden.gif") && folder.Write("notes.txt", "notes\n") &&
         QDir(folder.Path()).mkdir("folder.gif");
}

// What a run is expected to show, found by the engine on a separate copy of the folder.
struct TExpected {
  QStringList Results;
  QByteArray Original;
  QByteArray AfterOptimize;
  std::int64_t Saved = 0;
};

// What the window looked like while its run was going on.
struct TDuringRun {
  bool Seen = false, Running = false, FolderTreeEnabled = true, TestEnabled = true, OptimizeEnabled = true,
       AbortEnabled = false, ProgressShown = false;
  QString Status, ProgressText;
  int ProgressMaximum = -1, ProgressValue = -1;
};

}  // namespace

class MainWindowRunTest : public QObject {
  Q_OBJECT

private:
  std::map<QString, TExpected> expected_;
  std::int64_t savedTotal_ = 0;
  std::unique_ptr<TWindowTestFolder> folder_, otherFolder_;
  std::unique_ptr<TfrmMain> window_;

  QStringList AllNames() const {
    QStringList names;
    for (const auto& [name, expected] : expected_) names << name;
    names.sort();
    return names;
  }

  void CheckRow(const QString& name) {
    const QTreeWidgetItem* row = Row(*window_, name);
    QVERIFY2(row, qPrintable(name));
    QCOMPARE(Results(row), expected_.at(name).Results);
  }

  TDuringRun WatchRun(QAction* run) {
    TDuringRun seen;
    QTimer::singleShot(0, window_.get(), [&seen, this] {
      seen = {true,
              window_->Running(),
              window_->dir->isEnabled(),
              window_->actTest->isEnabled(),
              window_->actOptimize->isEnabled(),
              window_->actAbort->isEnabled(),
              window_->frmProcessing->isVisible(),
              window_->StatusText(0),
              window_->frmProcessing->ProgressBar->text(),
              window_->frmProcessing->ProgressBar->maximum(),
              window_->frmProcessing->ProgressBar->value()};
    });
    run->trigger();
    return seen;
  }

  // The window is back at rest after a run.
  void CheckIdle() {
    QVERIFY(!window_->Running());
    QVERIFY(window_->dir->isEnabled());
    QVERIFY(window_->actTest->isEnabled());
    QVERIFY(window_->actOptimize->isEnabled());
    QVERIFY(!window_->actAbort->isEnabled());
    QVERIFY(!window_->frmProcessing->isVisible());
    QCOMPARE(window_->StatusText(0), QString("Done"));
  }

private slots:
  void initTestCase() {
    if (!CorpusAvailable()) QSKIP("corpus not found");
    TWindowTestFolder reference;
    QVERIFY(FillFolder(reference));
    TFileOptimizer optimizer;
    for (const QString& name : QStringList{"hibiscus.gif", "dog.unoptimized.gif", "hippopotamus.gif", "BRICKS.GIF",
                                           "damaged.gif", "x.gif", "empty.gif"}) {
      TExpected& expected = expected_[name];
      expected.Original = reference.Read(name);
      const TFileOutcome outcome = optimizer.Process(QFile::encodeName(reference.FilePath(name)).toStdString(), true);
      expected.AfterOptimize = reference.Read(name);
      expected.Saved = outcome.Saved;
      savedTotal_ += outcome.Saved;
      expected.Results = {QString::number(outcome.OriginalSize),
                          outcome.OptimizedSize >= 0 ? QString::number(outcome.OptimizedSize)
                                                     : QString::fromStdString(outcome.Message),
                          QString::fromStdString(outcome.Reduction)};
    }
    // The rows the engine must give, whatever it optimizes: the folder has to exercise them.
    QCOMPARE(expected_["x.gif"].Results, QStringList({QString::number(kNotAPicture.size()), "Invalid GIF signature", ""}));
    QCOMPARE(expected_["empty.gif"].Results, QStringList({"0", "Premature end of data", ""}));
    QCOMPARE(expected_["damaged.gif"].Results[1], QString(kDamagedText));
    QVERIFY(expected_["dog.unoptimized.gif"].Saved > 0);
    QVERIFY(expected_["dog.unoptimized.gif"].Results[2] != "0%");
    QCOMPARE(expected_["hibiscus.gif"].Saved, 0);
    QCOMPARE(expected_["BRICKS.GIF"].Saved, 0);
  }

  void init() {
    ReportedErrors().clear();
    folder_ = std::make_unique<TWindowTestFolder>();
    QVERIFY(FillFolder(*folder_));
    otherFolder_ = std::make_unique<TWindowTestFolder>();  // before the tree reads the folder holding both
    window_ = std::make_unique<TfrmMain>(folder_->Path());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(window_->FolderPath, folder_->Path());
  }

  void cleanup() {
    window_.reset();
    folder_.reset();
    otherFolder_.reset();
    QCOMPARE(ReportedErrors(), QStringList());
  }

  void listsTheGifFilesChecked() {
    QCOMPARE(ListedNames(*window_), AllNames());  // no hidden file, no other extension, no folder
    for (int i = 0; i < window_->ListViewFiles->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = window_->ListViewFiles->topLevelItem(i);
      QCOMPARE(row->checkState(0), Qt::Checked);
      QCOMPARE(Results(row), kNoResults);
    }
    QCOMPARE(window_->StatusText(0), QString("Ready"));
  }

  void testRunShowsEveryRowAndLeavesFilesAlone() {
    const TDuringRun during = WatchRun(window_->actTest);
    QVERIFY(during.Seen);
    QVERIFY(during.Running);
    QVERIFY(!during.FolderTreeEnabled);
    QVERIFY(!during.TestEnabled);
    QVERIFY(!during.OptimizeEnabled);
    QVERIFY(during.AbortEnabled);
    QVERIFY(during.ProgressShown);
    QCOMPARE(during.Status, QString("Processing..."));
    QCOMPARE(during.ProgressMaximum, 7);
    QCOMPARE(during.ProgressText, QString("%1 of 7").arg(during.ProgressValue));

    CheckIdle();
    for (const QString& name : AllNames()) CheckRow(name);
    QCOMPARE(window_->StatusText(2), QString::fromStdString(SavedBytesText(savedTotal_)));
    QCOMPARE(window_->frmProcessing->ProgressBar->maximum(), 7);
    QCOMPARE(window_->frmProcessing->ProgressBar->value(), 7);
    for (const QString& name : AllNames()) QVERIFY2(folder_->Read(name) == expected_.at(name).Original, qPrintable(name));
  }

  void thoroughRunsTheThoroughEngine() {
    window_->actThorough->setChecked(true);
    const std::string path = QFile::encodeName(folder_->FilePath("dog.unoptimized.gif")).toStdString();
    const TFileOutcome thorough = TFileOptimizer(true).Process(path, false);
    QVERIFY(thorough.Saved > expected_.at("dog.unoptimized.gif").Saved);
    window_->actTest->trigger();
    CheckIdle();
    QCOMPARE(Results(Row(*window_, "dog.unoptimized.gif")),
             QStringList({QString::number(thorough.OriginalSize), QString::number(thorough.OptimizedSize),
                          QString::fromStdString(thorough.Reduction)}));
    window_->actThorough->setChecked(false);
  }

  void optimizeReplacesOnlyFilesThatShrank() {
    window_->actOptimize->trigger();
    CheckIdle();
    for (const QString& name : AllNames()) {
      CheckRow(name);
      const TExpected& expected = expected_.at(name);
      const QByteArray now = folder_->Read(name);
      QVERIFY2(now == expected.AfterOptimize, qPrintable(name));
      if (expected.Saved > 0)
        QCOMPARE(now.size(), Row(*window_, name)->text(2).toLongLong());  // the size shown is what was written
      else
        QVERIFY2(now == expected.Original, qPrintable(name));
    }
    QCOMPARE(window_->StatusText(2), QString::fromStdString(SavedBytesText(savedTotal_)));
    QCOMPARE(folder_->Read(".hidden.gif"), expected_.at("hibiscus.gif").Original);
    QCOMPARE(folder_->Read("notes.txt"), QByteArray("notes\n"));

    // The written files load again, at their new size, and do not shrink a second time.
    window_->actTest->trigger();
    for (const QString& name : QStringList{"dog.unoptimized.gif", "hippopotamus.gif"}) {
      const QStringList again = Results(Row(*window_, name));
      QCOMPARE(again[0], QString::number(expected_.at(name).AfterOptimize.size()));
      QVERIFY2(again[1].toLongLong() >= again[0].toLongLong(), qPrintable(again.join(' ')));
      QCOMPARE(again[2], QString("0%"));
    }
  }

  void keyboardDrivesTheRunsAfterARun() {
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_T, Qt::ControlModifier);
    CheckRow("dog.unoptimized.gif");
    QCOMPARE(folder_->Read("dog.unoptimized.gif"), expected_.at("dog.unoptimized.gif").Original);
    QTRY_COMPARE(QApplication::activeWindow(), window_.get());  // keys reach the window again
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    CheckIdle();
    QCOMPARE(folder_->Read("dog.unoptimized.gif"), expected_.at("dog.unoptimized.gif").AfterOptimize);
  }

  void rowsArriveAsFilesFinishAndTheDialogNamesTheFilesUnderWay() {
    window_->SetWorkerSetting(2);
    // What the window shows at every turn of its event loop must be true at that moment.
    QSet<QString> named;
    int partlyFilled = 0, turns = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, window_.get(), [&] {
      if (!window_->Running()) return;
      ++turns;
      int filled = 0;
      for (int i = 0; i < window_->ListViewFiles->topLevelItemCount(); ++i)
        filled += !window_->ListViewFiles->topLevelItem(i)->text(1).isEmpty();
      partlyFilled += filled > 0 && filled < 7;
      QCOMPARE(window_->frmProcessing->ProgressBar->value(), filled);
      const QString line = window_->frmProcessing->LabelProgress->toolTip();
      for (const QString& name : line.split(", ", Qt::SkipEmptyParts)) {
        QVERIFY2(Row(*window_, name) && Row(*window_, name)->text(1).isEmpty(), qPrintable(line));
        named << name;
      }
    });
    watch.start(1);
    window_->actTest->trigger();
    watch.stop();
    CheckIdle();
    qInfo("%d turns of the event loop during the run", turns);
    QVERIFY(partlyFilled > 0);
    QVERIFY2(named.contains("dog.unoptimized.gif"), qPrintable(QStringList(named.values()).join(' ')));
    QCOMPARE(Results(Row(*window_, "x.gif")), expected_.at("x.gif").Results);
  }

  void abortStopsInTheMiddleOfAFile_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Abort action") << "action";
    QTest::newRow("Abort button") << "button";
    QTest::newRow("window closed") << "close";
  }
  void abortStopsInTheMiddleOfAFile() {
    QFETCH(QString, how);
    // A long file first (names sort it there), thorough: the run is in its middle at once.
    QVERIFY(folder_->Copy("animated/horses.gif", "a-long.gif"));
    window_->actRefresh->trigger();
    const QByteArray before = folder_->Read("a-long.gif");
    window_->SetWorkerSetting(1);
    window_->actThorough->setChecked(true);
    QElapsedTimer sinceAbort;
    QTimer::singleShot(300, window_.get(), [&] {
      QCOMPARE(window_->frmProcessing->LabelProgress->toolTip(), QString("a-long.gif"));
      sinceAbort.start();
      if (how == "action") window_->actAbort->trigger();
      if (how == "button") window_->frmProcessing->btnAbort->click();
      if (how == "close") window_->close();
    });
    window_->actOptimize->trigger();
    qInfo("the run ended %lld ms after the abort", static_cast<long long>(sinceAbort.elapsed()));
    window_->actThorough->setChecked(false);
    CheckIdle();
    QCOMPARE(Results(Row(*window_, "a-long.gif")),
             QStringList({QString::number(before.size()), kNotFinishedText, ""}));
    QVERIFY(folder_->Read("a-long.gif") == before);
    for (const QString& name : AllNames()) QCOMPARE(Results(Row(*window_, name)), kNoResults);
    QCOMPARE(window_->frmProcessing->ProgressBar->value(), 0);

    // The next run is not aborted by the earlier request.
    Row(*window_, "a-long.gif")->setCheckState(0, Qt::Unchecked);
    window_->actTest->trigger();
    for (const QString& name : AllNames()) CheckRow(name);
  }

  void uncheckedRowsAreClearedAndSkipped() {
    window_->actTest->trigger();
    Row(*window_, "dog.unoptimized.gif")->setCheckState(0, Qt::Unchecked);
    Row(*window_, "x.gif")->setCheckState(0, Qt::Unchecked);
    const TDuringRun during = WatchRun(window_->actOptimize);
    QCOMPARE(during.ProgressMaximum, 5);
    CheckIdle();
    QCOMPARE(window_->frmProcessing->ProgressBar->value(), 5);
    for (const QString& name : AllNames()) {
      const bool skipped = name == "dog.unoptimized.gif" || name == "x.gif";
      if (skipped)
        QCOMPARE(Results(Row(*window_, name)), kNoResults);
      else
        CheckRow(name);
    }
    QCOMPARE(folder_->Read("dog.unoptimized.gif"), expected_.at("dog.unoptimized.gif").Original);
    QCOMPARE(folder_->Read("hippopotamus.gif"), expected_.at("hippopotamus.gif").AfterOptimize);
  }

  void fileGoneBeforeItsTurnEndsTheRun() {
    const int gone = 2;
    const QString name = window_->ListViewFiles->topLevelItem(gone)->text(0);
    QVERIFY(QFile::remove(folder_->FilePath(name)));
    window_->actTest->trigger();

    QCOMPARE(ReportedErrors().size(), 1);
    const QString report = ReportedErrors().takeFirst();
    QVERIFY2(report.contains(folder_->FilePath(name)), qPrintable(report));
    QVERIFY2(report.contains(QString::fromLocal8Bit(std::strerror(ENOENT))), qPrintable(report));
    CheckIdle();
    // Files taken before it finish; after it, only one another worker held may have.
    int done = 0;
    for (int i = 0; i < window_->ListViewFiles->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = window_->ListViewFiles->topLevelItem(i);
      if (i < gone || (i > gone && Results(row) != kNoResults))
        CheckRow(row->text(0));
      else
        QCOMPARE(Results(row), kNoResults);
      done += Results(row) != kNoResults;
    }
    QCOMPARE(window_->frmProcessing->ProgressBar->value(), done);
  }

  void aNameThatIsNotUtf8IsStillProcessed() {
    // The caption cannot spell the name; the run and the preview use its own bytes.
    const std::string path = QFile::encodeName(folder_->Path()).toStdString() + "/caf\xE9.gif";
    QVERIFY(std::filesystem::copy_file(QFile::encodeName(folder_->FilePath("hibiscus.gif")).toStdString(), path));
    window_->actRefresh->trigger();
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < window_->ListViewFiles->topLevelItemCount(); ++i)
      if (window_->ListViewFiles->topLevelItem(i)->text(0).startsWith("caf"))
        row = window_->ListViewFiles->topLevelItem(i);
    QVERIFY(row);
    window_->ListViewFiles->setCurrentItem(row);
    window_->ListViewFilesClick();
    QVERIFY(window_->animator->Picture().Graphic());
    window_->actTest->trigger();
    QCOMPARE(Results(row), expected_.at("hibiscus.gif").Results);
  }

  void refreshDuringARunWaitsForItsEnd() {
    QVERIFY(folder_->Copy("animated/animated_loop.gif", "later.gif"));
    QTimer::singleShot(0, window_.get(), [this] { window_->actRefresh->trigger(); });
    window_->actTest->trigger();
    // The run finished over the list it started with.
    QCOMPARE(ListedNames(*window_), AllNames());
    for (const QString& name : AllNames()) CheckRow(name);
    QTRY_COMPARE(window_->ListViewFiles->topLevelItemCount(), 8);
    QVERIFY(Row(*window_, "later.gif"));
    QCOMPARE(Results(Row(*window_, "hibiscus.gif")), kNoResults);
  }

  void folderChangeDuringARunWaitsForItsEnd() {
    const TWindowTestFolder& other = *otherFolder_;
    QVERIFY(other.Copy("animated/animated_loop.gif", "other.gif"));
    bool selected = false;
    QTimer::singleShot(0, window_.get(), [&] { selected = window_->dir->SelectPath(other.Path()); });
    window_->actTest->trigger();
    QVERIFY(selected);
    QCOMPARE(window_->FolderPath, folder_->Path());
    for (const QString& name : AllNames()) CheckRow(name);
    QTRY_COMPARE(window_->FolderPath, other.Path());
    QCOMPARE(ListedNames(*window_), QStringList({"other.gif"}));
  }
};

LUMVANE_WINDOW_TEST_MAIN(MainWindowRunTest)
#include "MainWindowRunTest.moc"
