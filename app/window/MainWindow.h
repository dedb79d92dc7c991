#pragma once
// The main window: folder pane with tree and preview, the file list, tool bar, menus, status
// bar, and the batch run over the checked files.

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <array>
#include <cstdint>

#include "app/window/AboutDialog.h"
#include "app/window/FolderTree.h"
#include "app/window/PreviewPane.h"
#include "app/window/ProcessingDialog.h"

namespace lumvane {

// The settings key of View > Thorough (a bool).
inline constexpr const char* kThoroughSetting = "Thorough";

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  // The window opens on the start folder when one is given, else on the desktop.
  explicit TfrmMain(const QString& startFolder = QString());
  ~TfrmMain() override;

  // The batch run: Test (false) or Optimize (true) over the checked files.
  void DoOptimize(bool WriteBack);
  void actTestExecute() { DoOptimize(false); }
  void actOptimizeExecute() { DoOptimize(true); }
  void actAbortExecute() { AbortRequested = true; }

  // Folder tree and file list.
  void FormShow();
  void dirChange();
  void actRefreshExecute();
  void ListViewFilesClick();

  // The shell of the window.
  void GoToURL(const QString& address);
  void btnCloseDirWindowClick();
  void actStatusbarExecute();
  // Remembers the Thorough check mark for the next start.
  void actThoroughExecute();
  void actHelpExecute();
  void actOmbrellHomepageExecute();
  void actAboutExecute();
  void actExitExecute();

  // Status bar panel text, 0..3.
  QString StatusText(int panel) const;
  void SetStatusText(int panel, const QString& text);
  bool Running() const { return running_; }

  bool AbortRequested = false;
  QString DesktopPath;
  QString FolderPath;

  QToolBar* ToolBar2;
  QWidget* pnDirectories;
  QFrame* Panel2;
  QToolButton* btnCloseDirWindow;
  TFolderTree* dir;
  QSplitter* Splitter;
  QSplitter* Splitter1;
  QFrame* Panel6;
  TPreviewPane* animator;
  QTreeWidget* ListViewFiles;
  QStatusBar* StatusBar;
  QToolButton* btnFolders;
  QAction* mnuFolderWindow;

  QAction* actTest;
  QAction* actOptimize;
  QAction* actAbort;
  QAction* actRefresh;
  QAction* actHideDirWin;
  QAction* actHelp;
  QAction* actStatusbar;
  QAction* actThorough;  // runs with TFileOptimizer's thorough work
  QAction* actAbout;
  QAction* actExit;
  QAction* actOmbrellHomepage;

  TfrmProcessing* frmProcessing;
  TfrmAbout* frmAbout;

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint, int image,
                      const QKeySequence& shortcut, void (TfrmMain::*handler)());
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildFolderPane();
  void BuildFileList();
  void BuildStatusBar();
  // The listed file's path as the file system spells it.
  std::string FilePathOf(const QTreeWidgetItem* item) const;
  void BeginRun(int checkedFiles);
  void EndRun();

  QString startFolder_;
  bool shown_ = false;
  bool running_ = false;
  bool refreshAfterRun_ = false;
  bool refillAfterRun_ = false;
  std::array<QLabel*, 4> statusPanels_{};
};

}  // namespace lumvane
