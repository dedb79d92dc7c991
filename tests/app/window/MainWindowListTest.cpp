// The file list as people work with it: sorting by each column, checking rows in bulk and
// with Space, the keyboard previewing, subfolders, files and folders dropped or given, a
// hidden folder asked for, and the window's settings in a new window.

#include <QDesktopServices>
#include <QHeaderView>
#include <QMimeData>
#include <QSettings>
#include <QSplitter>
#include <QUrl>

#include <algorithm>
#include <memory>

#include "WindowTest.h"

using namespace lumvane;
using namespace lumvane::test;

// Takes the addresses the window hands to the desktop.
class TOpenedUrls : public QObject {
  Q_OBJECT
public:
  QList<QUrl> Opened;
public slots:
  void open(const QUrl& url) { Opened << url; }
};

class MainWindowListTest : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TWindowTestFolder> folder_;
  std::unique_ptr<TfrmMain> window_;

  static void Show(TfrmMain& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
  }

  // The column's texts from the top row down.
  QStringList Column(int column) const {
    QStringList texts;
    for (int i = 0; i < window_->ListViewFiles->topLevelItemCount(); ++i)
      texts << window_->ListViewFiles->topLevelItem(i)->text(column);
    return texts;
  }
  QStringList Checked() const {
    QStringList names;
    for (int i = 0; i < window_->ListViewFiles->topLevelItemCount(); ++i)
      if (window_->ListViewFiles->topLevelItem(i)->checkState(0) == Qt::Checked)
        names << window_->ListViewFiles->topLevelItem(i)->text(0);
    return names;
  }

  void Drop(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(window_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(window_.get(), &drop);
    delete data;
  }

private slots:
  void initTestCase() {
    if (!CorpusAvailable()) QSKIP("corpus not found");
  }

  void init() {
    ReportedErrors().clear();
    QSettings("Lumvane", "Lumvane").clear();
    folder_ = std::make_unique<TWindowTestFolder>();
    for (const char* name : {"img10.gif", "Img9.gif", "img1.gif"})
      QVERIFY(folder_->Copy("animated/animated_loop.gif", name));
    QVERIFY(folder_->Copy("animated/dog.unoptimized.gif", "dog.gif"));
    QVERIFY(folder_->Copy("animated/hippopotamus.regular.gif", "hippo.gif"));
    QVERIFY(folder_->Write("x.gif", "not a picture"));
    QVERIFY(QDir(folder_->Path()).mkpath("deeper/still"));
    QVERIFY(folder_->Copy("animated/static_nontransparent.gif", "deeper/still/inside.gif"));
    window_ = std::make_unique<TfrmMain>(folder_->Path());
    Show(*window_);
  }

  void cleanup() {
    window_.reset();
    folder_.reset();
    QCOMPARE(ReportedErrors(), QStringList());
  }

  void sortsNamesAsTheFileManagerAndColumnsAsNumbers() {
    QCOMPARE(Column(0), QStringList({"dog.gif", "hippo.gif", "img1.gif", "Img9.gif", "img10.gif", "x.gif"}));
    window_->actTest->trigger();
    QHeaderView* header = window_->ListViewFiles->header();
    for (int column : {1, 2, 3}) {
      for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        QCOMPARE(header->sortIndicatorSection(), column);
        QCOMPARE(header->sortIndicatorOrder(), order);
        // Numbers in numeric order, the message of the file that is no picture after them.
        QList<qint64> numbers;
        for (QString text : Column(column))
          if (text.remove('%').toLongLong() > 0 || text == "0") numbers << text.toLongLong();
        QCOMPARE(numbers.size(), column == 1 ? 6 : 5);
        QList<qint64> sorted = numbers;
        std::sort(sorted.begin(), sorted.end());
        if (order == Qt::DescendingOrder) std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(numbers, sorted);
        if (column == 2) QCOMPARE(Column(0).indexOf("x.gif"), order == Qt::AscendingOrder ? 5 : 0);
      }
    }
    // The sort holds while a run fills the rows.
    window_->actTest->trigger();
    QCOMPARE(header->sortIndicatorSection(), 3);
    QList<int> reductions;
    for (QString text : Column(3))
      if (!text.isEmpty()) reductions << text.remove('%').toInt();
    QCOMPARE(reductions.size(), 5);
    QVERIFY(std::is_sorted(reductions.rbegin(), reductions.rend()));
  }

  void checksInBulkAndSpaceTogglesTheSelectedRows() {
    const QStringList all = Column(0);
    window_->actCheckNone->trigger();
    QCOMPARE(Checked(), QStringList());
    window_->ListViewFiles->topLevelItem(1)->setCheckState(0, Qt::Checked);
    window_->actInvertChecks->trigger();
    QStringList inverted = all;
    inverted.removeAt(1);
    QCOMPARE(Checked(), inverted);
    window_->actCheckAll->trigger();
    QCOMPARE(Checked(), all);

    // Rows 2 to 4 selected from the keyboard; Space unchecks them, Space again checks them.
    QTreeWidget* list = window_->ListViewFiles;
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(2));
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(Checked(), QStringList({all[0], all[1], all[5]}));
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(Checked(), all);
  }

  void keyboardSelectionPreviewsAndRowsOpenOnTheDesktop() {
    QTreeWidget* list = window_->ListViewFiles;
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));  // dog.gif
    QVERIFY(window_->animator->Picture().Graphic());
    window_->animator->Clear();
    QTest::keyClick(list, Qt::Key_Down);  // hippo.gif
    QVERIFY(window_->animator->Picture().Graphic());
    QCOMPARE(list->topLevelItem(1)->toolTip(0), folder_->FilePath("hippo.gif"));

    TOpenedUrls urls;
    QDesktopServices::setUrlHandler("file", &urls, "open");
    window_->actOpen->trigger();
    window_->actShowInFolder->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(urls.Opened, QList<QUrl>({QUrl::fromLocalFile(folder_->FilePath("hippo.gif")),
                                       QUrl::fromLocalFile(folder_->Path())}));
  }

  void subfoldersListTheirFilesByRelativePath() {
    window_->actSubfolders->trigger();
    QVERIFY(Column(0).contains("deeper/still/inside.gif"));
    QCOMPARE(Column(0).size(), 7);
    window_->actTest->trigger();
    QVERIFY(!Row(*window_, "deeper/still/inside.gif")->text(1).isEmpty());
    window_->actSubfolders->trigger();
    QCOMPARE(Column(0).size(), 6);
  }

  void droppedOrGivenFilesAreListedThemselvesAndAFolderIsShown() {
    Drop({folder_->FilePath("dog.gif"), folder_->FilePath("deeper/still/inside.gif")});
    QCOMPARE(Column(0), QStringList({"deeper/still/inside.gif", "dog.gif"}));
    window_->actRefresh->trigger();  // the same files again, not the folder
    QCOMPARE(Column(0).size(), 2);
    window_->actTest->trigger();
    QVERIFY(!Row(*window_, "dog.gif")->text(2).isEmpty());

    Drop({folder_->FilePath("deeper/still")});
    QCOMPARE(window_->FolderPath, folder_->FilePath("deeper/still"));
    QCOMPARE(Column(0), QStringList({"inside.gif"}));

    // A hidden folder given on the command line opens itself.
    QVERIFY(QDir(folder_->Path()).mkpath(".hidden/inner"));
    QVERIFY(folder_->Copy("animated/animated_loop.gif", ".hidden/inner/secret.gif"));
    TfrmMain hidden(folder_->FilePath(".hidden/inner"));
    Show(hidden);
    QCOMPARE(hidden.FolderPath, folder_->FilePath(".hidden/inner"));
    QCOMPARE(ListedNames(hidden), QStringList({"secret.gif"}));
  }

  void settingsComeBackInANewWindow() {
    window_->resize(820, 540);
    window_->Splitter->setSizes({300, 516});
    window_->ListViewFiles->header()->resizeSection(1, 133);
    window_->ListViewFiles->sortByColumn(1, Qt::DescendingOrder);
    window_->actSubfolders->trigger();
    window_->actThorough->trigger();
    window_->SetWorkerSetting(3);
    window_->ToolBar2->toggleViewAction()->trigger();
    const QList<int> splitter = window_->Splitter->sizes();
    QVERIFY(window_->close());
    window_.reset();

    TfrmMain again;  // no folder given: the last one
    Show(again);
    QCOMPARE(again.size(), QSize(820, 540));
    QCOMPARE(again.Splitter->sizes(), splitter);
    QCOMPARE(again.ListViewFiles->header()->sectionSize(1), 133);
    QCOMPARE(again.ListViewFiles->header()->sortIndicatorSection(), 1);
    QCOMPARE(again.ListViewFiles->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QVERIFY(again.actSubfolders->isChecked());
    QVERIFY(again.actThorough->isChecked());
    QCOMPARE(again.WorkerSetting(), 3);
    QVERIFY(again.ToolBar2->isHidden());
    QCOMPARE(again.FolderPath, folder_->Path());
    QVERIFY(ListedNames(again).contains("deeper/still/inside.gif"));
  }
};

LUMVANE_WINDOW_TEST_MAIN(MainWindowListTest)
#include "MainWindowListTest.moc"
