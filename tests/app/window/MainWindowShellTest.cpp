// The shell of the main window: what it shows when it opens, the folder it starts on, its
// actions, menus and toggles, the about dialog and the addresses the window opens.

#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include "WindowTest.h"
#include "app/window/AboutDialog.h"
#include "app/window/QtClipboard.h"
#include "gfx/PictureSystem.h"
#include "gif/GIFImage.h"

#include <QClipboard>
#include <QMimeData>

using namespace lumvane;
using namespace lumvane::test;

// Takes the addresses the window hands to the desktop.
class TUrlCatcher : public QObject {
  Q_OBJECT
public:
  QList<QUrl> Opened;
public slots:
  void open(const QUrl& url) { Opened << url; }
};

class MainWindowShellTest : public QObject {
  Q_OBJECT

private:
  TUrlCatcher urls_;

  static QStringList EntriesOf(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions())
      if (!action->isSeparator()) entries << action->text();
    return entries;
  }

  static void Show(TfrmMain& window) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
  }

private slots:
  void initTestCase() {
    for (const char* scheme : {"mailto", "https", "file"}) QDesktopServices::setUrlHandler(scheme, &urls_, "open");
  }
  void cleanupTestCase() {
    for (const char* scheme : {"mailto", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  void init() {
    ReportedErrors().clear();
    urls_.Opened.clear();
  }
  void cleanup() { QCOMPARE(ReportedErrors(), QStringList()); }

  void opensWithItsLayout() {
    TfrmMain window;
    QCOMPARE(window.windowTitle(), QString("Lumvane"));
    // Room for today's file names: the name column takes the width the others leave.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(window.width() >= std::min(900, screen.width() * 9 / 10));
    QVERIFY(window.height() >= std::min(560, screen.height() * 9 / 10));
    Show(window);
    const QTreeWidgetItem* header = window.ListViewFiles->headerItem();
    const QStringList captions{"File Name", "Original Size", "Optimized Size", "Reduction"};
    QCOMPARE(window.ListViewFiles->columnCount(), 4);
    int others = 0;
    for (int column = 0; column < 4; ++column) {
      QCOMPARE(header->text(column), captions[column]);
      others += column > 0 ? window.ListViewFiles->columnWidth(column) : 0;
    }
    QCOMPARE(window.ListViewFiles->columnWidth(0) + others, window.ListViewFiles->viewport()->width());
    QVERIFY(window.ListViewFiles->columnWidth(0) >
            window.ListViewFiles->fontMetrics().horizontalAdvance("hippopotamus.unoptimized.gif"));
    // The tool bar has a name to show it again by, in its own menu and in View.
    QCOMPARE(window.ToolBar2->windowTitle(), QString("Tool Bar"));
    QCOMPARE(window.ToolBar2->toggleViewAction()->text(), QString("Tool Bar"));
    window.ToolBar2->toggleViewAction()->trigger();
    QVERIFY(window.ToolBar2->isHidden());
    window.ToolBar2->toggleViewAction()->trigger();
    QVERIFY(window.ToolBar2->isVisible());
    const int panelWidths[] = {70, 50, 160, 50};
    for (int panel = 0; panel < 4; ++panel) {
      const auto* label = window.StatusBar->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(panel));
      QVERIFY(label);
      QCOMPARE(label->width(), panelWidths[panel]);
    }
    QCOMPARE(window.StatusText(0), QString("Ready"));
    QCOMPARE(window.frmProcessing->windowTitle(), QString("Processing..."));
    QCOMPARE(window.frmProcessing->btnAbort->text(), QString("Abort"));
    QCOMPARE(window.frmProcessing->LabelProgress->text(), QString(" "));
    QVERIFY(!window.frmProcessing->isVisible());
  }

  void actionsHaveTheirCaptionsHintsAndKeys_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("actTest") << "Test" << "Test" << QKeySequence("Ctrl+T");
    QTest::newRow("actOptimize") << "Optimize" << "Optimize" << QKeySequence("Ctrl+O");
    QTest::newRow("actAbort") << "Abort" << "Abort" << QKeySequence();
    QTest::newRow("actRefresh") << "Refresh" << "Refresh Folder Window" << QKeySequence("Ctrl+R");
    QTest::newRow("actHideDirWin") << "Hide Directory Window" << "Hide Folder Window" << QKeySequence();
    QTest::newRow("actHelp") << "Help" << "Help" << QKeySequence("F1");
    QTest::newRow("actStatusbar") << "Statusbar" << "" << QKeySequence();
    QTest::newRow("actThorough") << "Thorough" << "Try harder for smaller files, taking far longer"
                                 << QKeySequence();
    QTest::newRow("actAbout") << "About" << "About this Product" << QKeySequence();
    QTest::newRow("actExit") << "E&xit" << "" << QKeySequence();
    QTest::newRow("actOmbrellHomepage") << "Ombrell Homepage" << "" << QKeySequence();
  }
  void actionsHaveTheirCaptionsHintsAndKeys() {
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(QKeySequence, keys);
    TfrmMain window;
    const auto* action = window.findChild<QAction*>(QTest::currentDataTag());
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    if (!hint.isEmpty()) QCOMPARE(action->toolTip(), hint);
    QVERIFY(action->statusTip().isEmpty());  // a status tip would cover the status panels
    QCOMPARE(action->shortcut(), keys);
    QCOMPARE(action->isEnabled(), caption != "Abort");  // nothing to abort before a run
  }

  void menusHoldTheirEntries() {
    TfrmMain window;
    QStringList titles;
    for (const QAction* menu : window.menuBar()->actions()) titles << menu->text();
    QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Help"}));
    const QList<QAction*> menus = window.menuBar()->actions();
    QCOMPARE(EntriesOf(menus[0]->menu()), QStringList({"Test", "Optimize", "E&xit"}));
    QCOMPARE(EntriesOf(menus[1]->menu()), QStringList({"Check All", "Check None", "Invert Checks"}));
    QCOMPARE(EntriesOf(menus[2]->menu()), QStringList({"Folder Window", "Statusbar", "Tool Bar", "Include Subfolders",
                                                       "Thorough", "Workers"}));
    QCOMPARE(EntriesOf(menus[3]->menu()), QStringList({"Contents", "Homepage", "About"}));
    QVERIFY(window.actStatusbar->isCheckable());
    QVERIFY(window.actStatusbar->isChecked());
    QVERIFY(window.mnuFolderWindow->isChecked());
  }

  void opensOnTheDesktopFolder() {
    const QString home = QDir::homePath();
    for (const bool withDesktop : {false, true}) {
      if (withDesktop) {
        QVERIFY(QDir(home).mkdir("Desktop"));
        QVERIFY(QFile::copy(CorpusFile("animated/animated_loop.gif"), home + "/Desktop/on-desktop.gif") ||
                !CorpusAvailable());
      }
      TfrmMain window;
      window.SetStatusText(0, "untouched");
      Show(window);
      const QString desktop = withDesktop ? home + "/Desktop" : home;  // no desktop folder: the home folder
      QCOMPARE(window.DesktopPath, desktop);
      QCOMPARE(window.FolderPath, desktop);
      const QTreeWidgetItem* root = window.dir->RootNode();
      QCOMPARE(window.dir->SelectedNode(), root);
      QCOMPARE(TFolderTree::PathOf(root), desktop);
      QStringList below;
      for (int i = 0; i < root->childCount(); ++i) below << root->child(i)->text(0);
      QVERIFY2(below.endsWith("File System") && below.size() >= 2 && below[below.size() - 2] == "Home",
               qPrintable(below.join(',')));
      if (withDesktop && CorpusAvailable()) {
        QCOMPARE(ListedNames(window), QStringList({"on-desktop.gif"}));
        QCOMPARE(window.StatusText(0), QString("Ready"));
      } else {
        QCOMPARE(window.ListViewFiles->topLevelItemCount(), 0);
        QCOMPARE(window.StatusText(0), QString("untouched"));  // no GIF files: the status stays
      }
    }
    QVERIFY(QDir(home + "/Desktop").removeRecursively());
  }

  void followsTheSelectedFolder() {
    TWindowTestFolder withGif, withoutGif;
    QVERIFY(withGif.Write("a.GiF", "GIF89a"));
    QVERIFY(withoutGif.Write("b.png", "png"));
    TfrmMain window(withGif.Path() + '/');
    Show(window);
    QCOMPARE(window.FolderPath, withGif.Path());
    QCOMPARE(ListedNames(window), QStringList({"a.GiF"}));
    window.SetStatusText(0, "Done");
    QVERIFY(window.dir->SelectPath(withoutGif.Path()));
    QCOMPARE(window.FolderPath, withoutGif.Path());
    QCOMPARE(window.ListViewFiles->topLevelItemCount(), 0);
    QCOMPARE(window.StatusText(0), QString("Done"));
    QVERIFY(window.dir->SelectPath("/"));
    QCOMPARE(window.FolderPath, QString(""));  // the file-system root, held without its slash

    // Folders made or removed after the tree read their parent do not lead the way astray.
    TWindowTestFolder parent;
    QDir top(parent.Path());
    QVERIFY(top.mkdir("aaa") && top.mkdir("bbb"));
    QVERIFY(window.dir->SelectPath(parent.Path() + "/aaa"));
    QVERIFY(top.rmdir("aaa") && top.mkdir("ccc"));
    QVERIFY(window.dir->SelectPath(parent.Path() + "/bbb"));
    QVERIFY(window.dir->SelectPath(parent.Path() + "/ccc"));
    QCOMPARE(window.FolderPath, parent.Path() + "/ccc");

    TfrmMain nowhere(withGif.Path() + "/missing");
    Show(nowhere);
    QCOMPARE(nowhere.dir->SelectedNode(), nowhere.dir->RootNode());
    QCOMPARE(nowhere.FolderPath, nowhere.DesktopPath);
  }

  void folderPaneTogglesFromEveryControl() {
    TfrmMain window;
    Show(window);
    const std::function<void()> toggles[] = {
        [&] { window.btnCloseDirWindow->click(); }, [&] { window.btnFolders->click(); },
        [&] { window.mnuFolderWindow->trigger(); }, [&] { window.actHideDirWin->trigger(); }};
    bool visible = true;
    for (int round = 0; round < 2; ++round)
      for (const auto& toggle : toggles) {
        toggle();
        visible = !visible;
        QCOMPARE(window.pnDirectories->isVisible(), visible);
        QCOMPARE(window.btnFolders->isChecked(), visible);
        QCOMPARE(window.mnuFolderWindow->isChecked(), visible);
      }
  }

  void statusbarCheckMarkFollowsItsVisibility() {
    TfrmMain window;
    Show(window);
    for (const bool shown : {false, true, false}) {
      window.actStatusbar->trigger();
      QCOMPARE(window.StatusBar->isVisible(), shown);
      QCOMPARE(window.actStatusbar->isChecked(), shown);
    }
  }

  void thoroughIsRememberedBetweenStarts() {
    QSettings("Lumvane", "Lumvane").remove(kThoroughSetting);
    for (const bool checked : {true, false}) {
      {
        TfrmMain window;
        QVERIFY(window.actThorough->isCheckable());
        QCOMPARE(window.actThorough->isChecked(), !checked);
        window.actThorough->trigger();
        QCOMPARE(window.actThorough->isChecked(), checked);
      }
      QCOMPARE(QSettings("Lumvane", "Lumvane").value(kThoroughSetting).toBool(), checked);
      TfrmMain restarted;
      QCOMPARE(restarted.actThorough->isChecked(), checked);
    }
  }

  void aboutDialogShowsTheMakerAndOpensItsLinks() {
    TfrmMain window;
    Show(window);
    TfrmAbout* about = window.frmAbout;
    QCOMPARE(about->windowTitle(), QString("About Lumvane"));
    const auto* version = about->findChild<QGroupBox*>("grpVersion");
    QVERIFY(version);
    QCOMPARE(version->title(), QString(" Lumvane Version 1.02 "));
    QStringList captions;
    for (const QLabel* label : about->findChildren<QLabel*>()) captions << label->text();
    for (const char* caption : {"General:", "Technical Support:", "Website:"}) QVERIFY(captions.contains(caption));
    QCOMPARE(about->btnOK->text(), QString("OK"));

    const TMakerContacts maker = MakerContacts();
    QVERIFY(!maker.Website.isEmpty() && !maker.GeneralEmail.isEmpty() && !maker.SupportEmail.isEmpty());
    bool wasModal = false;
    QTimer::singleShot(0, about, [&] {
      wasModal = about->isVisible() && about->isModal();
      for (QLabel* link : {about->lblGeneral, about->lblSupport, about->lblWebsite})
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, link->height() / 2));
      about->btnOK->click();
    });
    window.actAbout->trigger();
    QVERIFY(wasModal);
    QCOMPARE(about->result(), int(QDialog::Accepted));
    QVERIFY(!about->isVisible());
    QCOMPARE(urls_.Opened, QList<QUrl>({QUrl("mailto:" + maker.GeneralEmail), QUrl("mailto:" + maker.SupportEmail),
                                        QUrl(maker.Website)}));
  }

  void helpAndHomepageOpenTheirAddresses() {
    TfrmMain window;
    Show(window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QUrl help = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/help.html");
    QCOMPARE(help.toString(), "file://" + QCoreApplication::applicationDirPath() + "/help.html");
    QTest::keyClick(&window, Qt::Key_F1);
    window.menuBar()->actions()[3]->menu()->actions()[0]->trigger();  // Help > Contents
    window.findChild<QAction*>("mnuHomepage")->trigger();
    window.actOmbrellHomepage->trigger();
    QCOMPARE(urls_.Opened, QList<QUrl>({help, help, QUrl(MakerContacts().Website), QUrl(MakerContacts().Website)}));
  }

  void pictureTravelsThroughTheSystemClipboard() {
    TPictureContainer picture;
    picture.LoadFromFile(CorpusFile("animated/animated_loop.gif").toStdString());
    TQtClipboard clipboard;
    picture.CopyToClipboard(clipboard);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QVERIFY(data && data->hasImage());
    TMemoryStream saved;
    picture.Graphic()->SaveToStream(saved);
    QCOMPARE(data->data("image/gif"), QByteArray(reinterpret_cast<const char*>(saved.Bytes().data()),
                                                 static_cast<qsizetype>(saved.Bytes().size())));

    TPictureContainer pasted;
    pasted.PasteFromClipboard(clipboard);
    QVERIFY(dynamic_cast<TGIFImage*>(pasted.Graphic()));
    QCOMPARE(pasted.Graphic()->Width(), picture.Graphic()->Width());

    // An image put there by another program comes in through the bitmap format.
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    QApplication::clipboard()->setImage(image);
    TGIFImage fromImage;
    fromImage.LoadFromClipboardFormat(kBitmapClipboardFormat, clipboard);
    QCOMPARE(fromImage.Frames.Count(), 1);
    QCOMPARE(fromImage.Width(), 3);
    const std::uint8_t* red = fromImage.Frames[0].LocalColorMap().Entries() + 3 * fromImage.Frames[0].Pixels()[0];
    QCOMPARE(int(red[0]), 255);
    QCOMPARE(int(red[1] + red[2]), 0);
  }
};

LUMVANE_WINDOW_TEST_MAIN(MainWindowShellTest)
#include "MainWindowShellTest.moc"
