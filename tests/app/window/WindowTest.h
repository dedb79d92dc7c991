#pragma once
// What the window suites share: a program main that runs one Qt Test class offscreen inside
// a throw-away home folder, error reports collected instead of shown, and a temporary folder
// of test files.

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>
#include <string>

#include "app/window/ErrorReport.h"
#include "app/window/MainWindow.h"
#include "app/window/QtUiDispatcher.h"
#include "support/Corpus.h"

namespace lumvane::test {

// The texts that went to the default error report since the last clear.
inline QStringList& ReportedErrors() {
  static QStringList texts;
  return texts;
}

inline QString CorpusFile(const QString& relative) {
  return QFile::decodeName(QByteArray::fromStdString(CorpusDir())) + '/' + relative;
}

// A temporary folder, by its canonical path (the way the folder tree names it).
class TWindowTestFolder {
public:
  TWindowTestFolder() { QDir().mkpath(Path()); }
  bool IsValid() const { return dir_.isValid(); }
  QString Path() const { return QDir(dir_.path()).canonicalPath(); }
  QString FilePath(const QString& name) const { return Path() + '/' + name; }

  // A writable copy of a corpus file.
  bool Copy(const QString& corpusRelative, const QString& name) const {
    const QString target = FilePath(name);
    return QFile::copy(CorpusFile(corpusRelative), target) &&
           QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
  bool Write(const QString& name, const QByteArray& bytes) const {
    QFile file(FilePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  }
  QByteArray Read(const QString& name) const {
    QFile file(FilePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

private:
  QTemporaryDir dir_;
};

inline QTreeWidgetItem* Row(const TfrmMain& window, const QString& name) {
  const QList<QTreeWidgetItem*> found = window.ListViewFiles->findItems(name, Qt::MatchExactly, 0);
  return found.size() == 1 ? found.first() : nullptr;
}

inline QStringList ListedNames(const TfrmMain& window) {
  QStringList names;
  for (int i = 0; i < window.ListViewFiles->topLevelItemCount(); ++i)
    names << window.ListViewFiles->topLevelItem(i)->text(0);
  names.sort();
  return names;
}

// Columns "Original Size", "Optimized Size", "Reduction".
inline QStringList Results(const QTreeWidgetItem* row) { return {row->text(1), row->text(2), row->text(3)}; }
inline const QStringList kNoResults{QString(), QString(), QString()};

// Runs the suite with HOME (and with it the desktop folder) in a fresh temporary folder, the
// painters dispatching through the Qt event loop, and error reports collected.
template <class TSuite>
int RunWindowSuite(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  const std::string homePath = QFile::encodeName(home.path()).toStdString();
  QDir(home.path()).mkpath("runtime");
  QFile::setPermissions(home.path() + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
  ::setenv("HOME", homePath.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (homePath + "/.config").c_str(), 1);  // no user-dirs.dirs
  ::setenv("XDG_RUNTIME_DIR", (homePath + "/runtime").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

  TLumvaneApplication application(argc, argv);
  QApplication::setApplicationName("Lumvane");
  int status = 0;
  {
    const TPainterDispatchScope painterDispatch;
    SetDefaultErrorReporter([](const QString& text) { ReportedErrors() << text; });
    TSuite suite;
    status = QTest::qExec(&suite, argc, argv);
    SetDefaultErrorReporter(nullptr);
  }
  return status;
}

}  // namespace lumvane::test

#define LUMVANE_WINDOW_TEST_MAIN(TSuite) \
  int main(int argc, char** argv) { return ::lumvane::test::RunWindowSuite<TSuite>(argc, argv); }
