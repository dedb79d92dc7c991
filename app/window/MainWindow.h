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

#include <QActionGroup>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/window/AboutDialog.h"
#include "app/window/FileList.h"
#include "app/window/FolderTree.h"
#include "app/window/PreviewPane.h"
#include "app/window/ProcessingDialog.h"

namespace lumvane {

class TBatchRun;
struct TFileOutcome;

// The settings keys of View > Thorough (a bool), View > Include Subfolders (a bool) and
// View > Workers (a count, 0: one per core).
inline constexpr const char* kThoroughSetting = "Thorough";
inline constexpr const char* kSubfoldersSetting = "IncludeSubfolders";
inline constexpr const char* kWorkersSetting = "Workers";

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  // The window opens on the start folder when one is given, else on the folder it showed
  // last, else on the desktop.
  explicit TfrmMain(const QString& startFolder = QString());
  ~TfrmMain() override;

  // The batch run: Test (false) or Optimize (true) over the checked files, on worker
  // threads; the window goes on while it waits for them.
  void DoOptimize(bool WriteBack);
  void actTestExecute() { DoOptimize(false); }
  void actOptimizeExecute() { DoOptimize(true); }
  // Files under way stop at once and stay as they were; no new file starts.
  void actAbortExecute();

  // Folder tree and file list.
  void FormShow();
  void dirChange();
  void actRefreshExecute();
  void ListViewFilesClick();
  // Dropped or given paths: one folder is shown as if selected in the tree; files (the GIF
  // files among them) are listed themselves. During a run this waits for its end.
  void OpenPaths(const QStringList& paths);
  void actSubfoldersExecute();
  void actCheckAllExecute();
  void actCheckNoneExecute();
  void actInvertChecksExecute();
  // The current row's file: with the desktop's application for it, or its folder in the
  // file manager.
  void actOpenExecute();
  void actShowInFolderExecute();
  // Workers of the next run: 0 for one per core.
  int WorkerSetting() const;
  void SetWorkerSetting(int workers);

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
  TFileList* ListViewFiles;
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
  QAction* actSubfolders;
  QAction* actCheckAll;
  QAction* actCheckNone;
  QAction* actInvertChecks;
  QAction* actOpen;
  QAction* actShowInFolder;
  QActionGroup* grpWorkers;  // View > Workers; each entry's data is its setting
  QAction* actAbout;
  QAction* actExit;
  QAction* actOmbrellHomepage;

  TfrmProcessing* frmProcessing;
  TfrmAbout* frmAbout;

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint, int image,
                      const QKeySequence& shortcut, void (TfrmMain::*handler)());
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildFolderPane();
  void BuildFileList();
  void BuildStatusBar();
  void BuildWorkersMenu(QMenu* menu);
  void RestoreSettings();
  void SaveSettings() const;
  // Fills the list with the files, captions relative to folder.
  void ListFiles(const QString& folder, const std::vector<std::string>& files);
  void BeginRun(int checkedFiles);
  void EndRun();
  // The dialog's line: the files being worked on.
  void ShowFilesUnderWay();
  void ShowOutcome(QTreeWidgetItem* row, const TFileOutcome& outcome);

  QString startFolder_;
  bool shown_ = false;
  bool running_ = false;
  bool refreshAfterRun_ = false;
  bool refillAfterRun_ = false;
  // The files listed themselves (dropped or given) rather than a folder's; Refresh lists
  // them again.
  QStringList listedFiles_;
  QStringList openAfterRun_;
  TBatchRun* run_ = nullptr;
  std::vector<QTreeWidgetItem*> runRows_;  // by the run's file index
  QList<QTreeWidgetItem*> underWay_;
  std::array<QLabel*, 4> statusPanels_{};
};

}  // namespace lumvane
