#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

#include "app/FileOptimizer.h"
#include "app/GifSearch.h"
#include "app/window/BatchRun.h"
#include "app/window/ErrorReport.h"

namespace lumvane {
namespace {

// Where the window keeps what it remembers between runs (~/.config/Lumvane/Lumvane.conf).
QSettings LumvaneSettings() { return QSettings("Lumvane", "Lumvane"); }

// The tool bar pictures, by image index.
const char* const kImages[] = {"hide-folders", "refresh", "test", "optimize", "abort", "help"};

QIcon Image(int index) { return QIcon(QStringLiteral(":/lumvane/%1.svg").arg(kImages[index])); }

// What the window remembers of its own layout and place.
constexpr const char* kLastFolderSetting = "LastFolder";
constexpr const char* kGeometrySetting = "Geometry";
constexpr const char* kWindowStateSetting = "WindowState";  // tool bar and status bar
constexpr const char* kSplitterSetting = "Splitter";
constexpr const char* kFolderPaneSetting = "FolderPane";
constexpr const char* kColumnsSetting = "Columns";  // widths and sort

bool IsGifName(const QString& path) { return path.endsWith(".gif", Qt::CaseInsensitive); }

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString DisplayPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

TfrmMain::TfrmMain(const QString& startFolder) : startFolder_(startFolder) {
  setObjectName("frmMain");
  setWindowTitle(QApplication::applicationName());
  setWindowIcon(QIcon(":/lumvane/lumvane.svg"));
  setAcceptDrops(true);
  resize(960, 600);
  BuildActions();
  BuildToolBar();
  BuildMenus();
  BuildFolderPane();
  BuildFileList();
  Splitter = new QSplitter(Qt::Horizontal, this);
  Splitter->setObjectName("Splitter");
  Splitter->setHandleWidth(4);
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(pnDirectories);
  Splitter->addWidget(ListViewFiles);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({200, 960 - 200 - 4});
  setCentralWidget(Splitter);
  BuildStatusBar();

  frmProcessing = new TfrmProcessing(this);
  frmProcessing->OnAbort = [this] { actAbortExecute(); };
  frmAbout = new TfrmAbout(this);
  frmAbout->OnOpenAddress = [this](const QString& address) { GoToURL(address); };

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    // Today's screens take the window at this size; a small one gets most of its room.
    const QRect room = screen->availableGeometry();
    resize(std::min(width(), room.width() * 9 / 10), std::min(height(), room.height() * 9 / 10));
    move(room.center() - rect().center());
  }
  RestoreSettings();
}

TfrmMain::~TfrmMain() = default;

QAction* TfrmMain::MakeAction(const char* name, const QString& caption, const QString& hint, int image,
                              const QKeySequence& shortcut, void (TfrmMain::*handler)()) {
  auto* action = new QAction(caption, this);
  action->setObjectName(name);
  if (!hint.isEmpty()) action->setToolTip(hint);  // a status tip would cover the status panels
  if (image >= 0) action->setIcon(Image(image));
  action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  addAction(action);  // shortcuts work while the menu and tool bar are hidden too
  return action;
}

void TfrmMain::BuildActions() {
  actTest = MakeAction("actTest", "Test", "Test", 2, QKeySequence(Qt::CTRL | Qt::Key_T), &TfrmMain::actTestExecute);
  actOptimize = MakeAction("actOptimize", "Optimize", "Optimize", 3, QKeySequence(Qt::CTRL | Qt::Key_O),
                           &TfrmMain::actOptimizeExecute);
  actAbort = MakeAction("actAbort", "Abort", "Abort", 4, {}, &TfrmMain::actAbortExecute);
  actAbort->setEnabled(false);
  actRefresh = MakeAction("actRefresh", "Refresh", "Refresh Folder Window", 1, QKeySequence(Qt::CTRL | Qt::Key_R),
                          &TfrmMain::actRefreshExecute);
  actHideDirWin = MakeAction("actHideDirWin", "Hide Directory Window", "Hide Folder Window", 0, {},
                             &TfrmMain::btnCloseDirWindowClick);
  actHelp = MakeAction("actHelp", "Help", "Help", 5, QKeySequence(Qt::Key_F1), &TfrmMain::actHelpExecute);
  actStatusbar = MakeAction("actStatusbar", "Statusbar", {}, -1, {}, &TfrmMain::actStatusbarExecute);
  actStatusbar->setCheckable(true);
  actStatusbar->setChecked(true);
  actThorough = MakeAction("actThorough", "Thorough", "Try harder for smaller files, taking far longer", -1,
                           {}, &TfrmMain::actThoroughExecute);
  actThorough->setCheckable(true);
  actThorough->setChecked(LumvaneSettings().value(kThoroughSetting, false).toBool());
  actSubfolders = MakeAction("actSubfolders", "Include Subfolders", "List the GIF files of the folders below too",
                             -1, {}, &TfrmMain::actSubfoldersExecute);
  actSubfolders->setCheckable(true);
  actSubfolders->setChecked(LumvaneSettings().value(kSubfoldersSetting, false).toBool());
  actCheckAll = MakeAction("actCheckAll", "Check All", {}, -1, {}, &TfrmMain::actCheckAllExecute);
  actCheckNone = MakeAction("actCheckNone", "Check None", {}, -1, {}, &TfrmMain::actCheckNoneExecute);
  actInvertChecks = MakeAction("actInvertChecks", "Invert Checks", {}, -1, {}, &TfrmMain::actInvertChecksExecute);
  actOpen = MakeAction("actOpen", "Open", "Open with the desktop's application for GIF files", -1, {},
                       &TfrmMain::actOpenExecute);
  actShowInFolder = MakeAction("actShowInFolder", "Show in Folder", "Show the folder in the file manager", -1, {},
                               &TfrmMain::actShowInFolderExecute);
  actAbout = MakeAction("actAbout", "About", "About this Product", -1, {}, &TfrmMain::actAboutExecute);
  actExit = MakeAction("actExit", "E&xit", {}, -1, {}, &TfrmMain::actExitExecute);
  actOmbrellHomepage =
      MakeAction("actOmbrellHomepage", "Ombrell Homepage", {}, -1, {}, &TfrmMain::actOmbrellHomepageExecute);
}

void TfrmMain::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction(actTest);
  file->addAction(actOptimize);
  file->addSeparator();
  file->addAction(actExit);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addAction(actCheckAll);
  edit->addAction(actCheckNone);
  edit->addAction(actInvertChecks);

  QMenu* view = menuBar()->addMenu("&View");
  mnuFolderWindow = view->addAction("Folder Window");
  mnuFolderWindow->setObjectName("mnuFolderWindow");
  mnuFolderWindow->setCheckable(true);
  mnuFolderWindow->setChecked(true);
  connect(mnuFolderWindow, &QAction::triggered, this, [this] { Guarded([this] { btnCloseDirWindowClick(); }); });
  view->addAction(actStatusbar);
  view->addAction(ToolBar2->toggleViewAction());
  view->addSeparator();
  view->addAction(actSubfolders);
  view->addAction(actThorough);
  BuildWorkersMenu(view->addMenu("Workers"));

  QMenu* help = menuBar()->addMenu("&Help");
  QAction* contents = help->addAction("Contents");
  contents->setObjectName("mnuContents");
  connect(contents, &QAction::triggered, actHelp, &QAction::trigger);
  help->addSeparator();
  QAction* homepage = help->addAction("Homepage");
  homepage->setObjectName("mnuHomepage");
  connect(homepage, &QAction::triggered, actOmbrellHomepage, &QAction::trigger);
  help->addAction(actAbout);
}

void TfrmMain::BuildToolBar() {
  // Named: its entry in the context menu and in View shows it again.
  ToolBar2 = new QToolBar("Tool Bar", this);
  ToolBar2->setObjectName("ToolBar2");
  ToolBar2->toggleViewAction()->setObjectName("actToolBar");
  ToolBar2->setMovable(false);
  ToolBar2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolBar2->setIconSize(QSize(20, 20));
  ToolBar2->addAction(actTest);
  ToolBar2->addSeparator();
  ToolBar2->addAction(actOptimize);
  ToolBar2->addAction(actAbort);
  ToolBar2->addSeparator();
  ToolBar2->addAction(actRefresh);
  btnFolders = new QToolButton(ToolBar2);
  btnFolders->setObjectName("btnFolders");
  btnFolders->setText("Folders");
  btnFolders->setToolTip(actHideDirWin->toolTip());
  btnFolders->setIcon(Image(0));
  btnFolders->setCheckable(true);
  btnFolders->setChecked(true);
  btnFolders->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  btnFolders->setAutoRaise(true);
  connect(btnFolders, &QToolButton::clicked, this, [this] { Guarded([this] { btnCloseDirWindowClick(); }); });
  ToolBar2->addWidget(btnFolders);
  ToolBar2->addSeparator();
  ToolBar2->addAction(actHelp);
  for (QAction* action : ToolBar2->actions())
    if (QWidget* button = ToolBar2->widgetForAction(action); button && !action->isSeparator())
      button->setMinimumSize(48, 36);
  addToolBar(ToolBar2);
}

void TfrmMain::BuildFolderPane() {
  pnDirectories = new QWidget(this);
  pnDirectories->setObjectName("pnDirectories");
  auto* layout = new QVBoxLayout(pnDirectories);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel2 = new QFrame(pnDirectories);
  Panel2->setObjectName("Panel2");
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel2->setFixedHeight(20);
  auto* caption = new QHBoxLayout(Panel2);
  caption->setContentsMargins(2, 0, 1, 0);
  caption->addWidget(new QLabel(" Folders", Panel2), 1);
  btnCloseDirWindow = new QToolButton(Panel2);
  btnCloseDirWindow->setObjectName("btnCloseDirWindow");
  btnCloseDirWindow->setAutoRaise(true);
  btnCloseDirWindow->setFixedSize(17, 16);
  btnCloseDirWindow->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  btnCloseDirWindow->setToolTip("Hide Folder Window");
  connect(btnCloseDirWindow, &QToolButton::clicked, this, [this] { Guarded([this] { btnCloseDirWindowClick(); }); });
  caption->addWidget(btnCloseDirWindow);
  layout->addWidget(Panel2);

  Splitter1 = new QSplitter(Qt::Vertical, pnDirectories);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(4);
  Splitter1->setChildrenCollapsible(false);
  dir = new TFolderTree(Splitter1);
  dir->setObjectName("dir");
  connect(dir, &TFolderTree::SelectionChanged, this, [this] { Guarded([this] { dirChange(); }); });
  Panel6 = new QFrame(Splitter1);
  Panel6->setObjectName("Panel6");
  Panel6->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* previewLayout = new QVBoxLayout(Panel6);
  previewLayout->setContentsMargins(2, 2, 2, 2);
  animator = new TPreviewPane(Panel6);
  animator->setObjectName("animator");
  previewLayout->addWidget(animator);
  Splitter1->addWidget(dir);
  Splitter1->addWidget(Panel6);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setSizes({300, 80});
  layout->addWidget(Splitter1, 1);
}

void TfrmMain::BuildFileList() {
  ListViewFiles = new TFileList(this);
  ListViewFiles->setObjectName("ListViewFiles");
  const int widths[] = {300, 100, 100, 80};
  for (int column = 0; column < 4; ++column) ListViewFiles->setColumnWidth(column, widths[column]);
  ListViewFiles->viewport()->installEventFilter(this);
  // A click or the keyboard: the current row is previewed.
  connect(ListViewFiles, &QTreeWidget::itemSelectionChanged, this, [this] { Guarded([this] { ListViewFilesClick(); }); });
  connect(ListViewFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    const bool onRow = ListViewFiles->itemAt(at) != nullptr;
    actOpen->setEnabled(onRow);
    actShowInFolder->setEnabled(onRow);
    menu.addActions({actOpen, actShowInFolder});
    menu.addSeparator();
    menu.addActions({actCheckAll, actCheckNone, actInvertChecks});
    menu.exec(ListViewFiles->viewport()->mapToGlobal(at));
  });
}

void TfrmMain::BuildWorkersMenu(QMenu* menu) {
  menu->setObjectName("mnuWorkers");
  grpWorkers = new QActionGroup(this);
  const int cores = WorkersForSetting(0);
  const int setting = LumvaneSettings().value(kWorkersSetting, 0).toInt();
  for (int workers = 0; workers <= std::max(cores, 4); ++workers) {
    QAction* entry = menu->addAction(workers == 0 ? QStringLiteral("One per Core (%1)").arg(cores) : QString::number(workers));
    entry->setCheckable(true);
    entry->setData(workers);
    entry->setChecked(workers == setting);
    grpWorkers->addAction(entry);
    if (workers == 0) menu->addSeparator();
  }
  if (!grpWorkers->checkedAction()) grpWorkers->actions().first()->setChecked(true);
  connect(grpWorkers, &QActionGroup::triggered, this,
          [](QAction* entry) { LumvaneSettings().setValue(kWorkersSetting, entry->data().toInt()); });
}

int TfrmMain::WorkerSetting() const { return grpWorkers->checkedAction()->data().toInt(); }

void TfrmMain::SetWorkerSetting(int workers) {
  for (QAction* entry : grpWorkers->actions())
    if (entry->data().toInt() == workers) entry->trigger();
}

void TfrmMain::RestoreSettings() {
  const QSettings settings = LumvaneSettings();
  restoreGeometry(settings.value(kGeometrySetting).toByteArray());
  restoreState(settings.value(kWindowStateSetting).toByteArray());
  Splitter->restoreState(settings.value(kSplitterSetting).toByteArray());
  Splitter1->restoreState(settings.value(kFolderPaneSetting).toByteArray());
  ListViewFiles->header()->restoreState(settings.value(kColumnsSetting).toByteArray());
  if (startFolder_.isEmpty()) {
    const QString last = settings.value(kLastFolderSetting).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) startFolder_ = last;
  }
}

void TfrmMain::SaveSettings() const {
  QSettings settings = LumvaneSettings();
  settings.setValue(kGeometrySetting, saveGeometry());
  settings.setValue(kWindowStateSetting, saveState());
  settings.setValue(kSplitterSetting, Splitter->saveState());
  settings.setValue(kFolderPaneSetting, Splitter1->saveState());
  settings.setValue(kColumnsSetting, ListViewFiles->header()->saveState());
  if (listedFiles_.isEmpty() && dir->SelectedNode()) settings.setValue(kLastFolderSetting, FolderPath.isEmpty() ? "/" : FolderPath);
}

void TfrmMain::BuildStatusBar() {
  StatusBar = statusBar();
  StatusBar->setObjectName("StatusBar");
  const int widths[] = {70, 50, 160, 50};
  for (int panel = 0; panel < 4; ++panel) {
    auto* label = new QLabel(StatusBar);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
    label->setFixedWidth(widths[panel]);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->addWidget(label);
    statusPanels_[panel] = label;
  }
  SetStatusText(0, "Ready");
}

QString TfrmMain::StatusText(int panel) const { return statusPanels_.at(panel)->text(); }
void TfrmMain::SetStatusText(int panel, const QString& text) { statusPanels_.at(panel)->setText(text); }

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  Guarded([this] { FormShow(); });
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // A run stops at once, and the workers are waited for before the window goes.
  if (run_) {
    actAbortExecute();
    run_->Wait();
  }
  SaveSettings();
  event->accept();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  const bool usable = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) {
    const QFileInfo file(url.toLocalFile());
    return url.isLocalFile() && (file.isDir() || IsGifName(file.fileName()));
  });
  if (usable) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) paths << url.toLocalFile();
  event->acceptProposedAction();
  Guarded([&] { OpenPaths(paths); });
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // A click on empty space in the file list clears the selection and the preview.
  if (watched == ListViewFiles->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!ListViewFiles->itemAt(mouse->position().toPoint())) {
      ListViewFiles->clearSelection();
      ListViewFiles->setCurrentItem(nullptr);
      if (event->type() == QEvent::MouseButtonRelease) Guarded([this] { ListViewFilesClick(); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Folder tree and file list ----

void TfrmMain::FormShow() {
  DesktopPath = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (DesktopPath.isEmpty() || !QDir(DesktopPath).exists()) DesktopPath = QDir::homePath();
  dir->Build(DesktopPath);
  if (!startFolder_.isEmpty()) dir->SelectPath(startFolder_);
}

void TfrmMain::ListFiles(const QString& folder, const std::vector<std::string>& files) {
  ListViewFiles->clear();
  FolderPath = folder;
  if (files.empty()) return;
  const QDir base(folder.isEmpty() ? QStringLiteral("/") : folder);
  ListViewFiles->setSortingEnabled(false);  // once, after the rows are in
  for (const std::string& path : files) ListViewFiles->AddFile(path, base.relativeFilePath(DisplayPath(path)));
  ListViewFiles->setSortingEnabled(true);
  SetStatusText(0, "Ready");
}

void TfrmMain::dirChange() {
  if (running_) {
    // The list must not change under a run: it is refilled when the run has ended.
    refillAfterRun_ = true;
    return;
  }
  listedFiles_.clear();
  const QTreeWidgetItem* node = dir->SelectedNode();
  if (!node) {
    ListViewFiles->clear();
    return;
  }
  QString folder = node == dir->RootNode() ? DesktopPath : TFolderTree::PathOf(node);
  while (folder.endsWith('/')) folder.chop(1);  // the file-system root is held as ""
  const std::string searched = LocalPath(folder.isEmpty() ? QStringLiteral("/") : folder);
  ListFiles(folder, FindGifFiles(searched, actSubfolders->isChecked()));
}

void TfrmMain::OpenPaths(const QStringList& paths) {
  if (running_) {
    openAfterRun_ = paths;
    return;
  }
  QStringList files;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (info.isDir() && paths.size() == 1) {
      dir->SelectPath(info.absoluteFilePath());
      return;
    }
    if (info.isFile() && IsGifName(info.fileName()) && !files.contains(info.absoluteFilePath()))
      files << info.absoluteFilePath();
  }
  if (files.isEmpty()) return;
  // The folder the files have in common names them.
  QString common = QFileInfo(files.first()).absolutePath();
  for (const QString& file : files)
    while (!common.isEmpty() && common != "/" && !file.startsWith(common + '/')) common = QFileInfo(common).path();
  std::vector<std::string> listed;
  for (const QString& file : files) listed.push_back(LocalPath(file));
  ListFiles(common == "/" ? QString() : common, listed);
  listedFiles_ = files;
}

void TfrmMain::actRefreshExecute() {
  if (running_) {
    refreshAfterRun_ = true;
    return;
  }
  if (!listedFiles_.isEmpty()) {
    OpenPaths(listedFiles_);
    return;
  }
  dir->Reread(dir->TopNode());
}

void TfrmMain::actSubfoldersExecute() {
  LumvaneSettings().setValue(kSubfoldersSetting, actSubfolders->isChecked());
  if (listedFiles_.isEmpty()) dirChange();
}

void TfrmMain::actCheckAllExecute() { ListViewFiles->CheckAll(); }
void TfrmMain::actCheckNoneExecute() { ListViewFiles->CheckNone(); }
void TfrmMain::actInvertChecksExecute() { ListViewFiles->InvertChecks(); }

void TfrmMain::actOpenExecute() {
  if (const QTreeWidgetItem* row = ListViewFiles->currentItem()) GoToURL(DisplayPath(TFileList::PathOf(row)));
}

void TfrmMain::actShowInFolderExecute() {
  if (const QTreeWidgetItem* row = ListViewFiles->currentItem())
    GoToURL(QFileInfo(DisplayPath(TFileList::PathOf(row))).absolutePath());
}

void TfrmMain::ListViewFilesClick() {
  QTreeWidgetItem* row = ListViewFiles->currentItem();
  if (!row || !row->isSelected()) {
    const QList<QTreeWidgetItem*> selected = ListViewFiles->selectedItems();
    row = selected.isEmpty() ? nullptr : selected.first();
  }
  if (!row)
    animator->Clear();
  else
    animator->LoadFromFile(TFileList::PathOf(row));
}

// ---- The batch run ----

void TfrmMain::BeginRun(int checkedFiles) {
  running_ = true;
  dir->setEnabled(false);
  actTest->setEnabled(false);
  actOptimize->setEnabled(false);
  actAbort->setEnabled(true);
  frmProcessing->StartRun(checkedFiles);
  SetStatusText(0, "Processing...");
  QApplication::setOverrideCursor(Qt::BusyCursor);  // busy, but the window still answers
}

void TfrmMain::EndRun() {
  QApplication::restoreOverrideCursor();
  dir->setEnabled(true);
  actTest->setEnabled(true);
  actOptimize->setEnabled(true);
  actAbort->setEnabled(false);
  const bool dialogHadFocus = frmProcessing->isActiveWindow();
  frmProcessing->hide();
  if (dialogHadFocus) activateWindow();  // keys go to the main window again
  SetStatusText(0, "Done");
  running_ = false;
  runRows_.clear();
  underWay_.clear();
  // What was asked for during the run happens now, from the event loop.
  if (!openAfterRun_.isEmpty())
    QTimer::singleShot(0, this, [this, paths = std::exchange(openAfterRun_, {})] { Guarded([&] { OpenPaths(paths); }); });
  else if (std::exchange(refreshAfterRun_, false))
    QTimer::singleShot(0, this, [this] { Guarded([this] { actRefreshExecute(); }); });
  else if (std::exchange(refillAfterRun_, false))
    QTimer::singleShot(0, this, [this] { Guarded([this] { dirChange(); }); });
  refreshAfterRun_ = refillAfterRun_ = false;
}

void TfrmMain::ShowFilesUnderWay() {
  QStringList names;
  for (const QTreeWidgetItem* row : underWay_) names << row->text(colFileName);
  frmProcessing->ShowFiles(names);
}

void TfrmMain::ShowOutcome(QTreeWidgetItem* row, const TFileOutcome& outcome) {
  row->setText(colOriginalSize, QString::number(outcome.OriginalSize));
  if (outcome.OptimizedSize >= 0) {
    row->setText(colOptimizedSize, QString::number(outcome.OptimizedSize));
    row->setText(colReduction, QString::fromStdString(outcome.Reduction));
  } else {
    row->setText(colOptimizedSize, QString::fromStdString(outcome.Message));
    row->setToolTip(colOptimizedSize, row->text(colOptimizedSize));
  }
}

void TfrmMain::actAbortExecute() {
  AbortRequested = true;
  if (run_) run_->Abort();
}

void TfrmMain::DoOptimize(bool WriteBack) {
  AbortRequested = false;
  // The rows of the run by its file index: sorting moves rows, the run still finds its own.
  std::vector<std::string> paths;
  for (int i = 0; i < ListViewFiles->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = ListViewFiles->topLevelItem(i);
    for (int column : {colOriginalSize, colOptimizedSize, colReduction}) {
      row->setText(column, QString());
      row->setToolTip(column, QString());
    }
    if (row->checkState(colFileName) != Qt::Checked) continue;
    paths.push_back(TFileList::PathOf(row));
    runRows_.push_back(row);
  }
  BeginRun(static_cast<int>(paths.size()));
  struct TCleanup {
    TfrmMain& window;
    ~TCleanup() { window.EndRun(); }
  } cleanup{*this};

  TBatchRun run(std::move(paths), WriteBack, actThorough->isChecked(), WorkersForSetting(WorkerSetting()));
  std::int64_t SavedTotal = 0;
  int done = 0;
  QString failure;
  connect(&run, &TBatchRun::FileStarted, this, [&](int index) {
    underWay_.append(runRows_[index]);
    ShowFilesUnderWay();
  });
  connect(&run, &TBatchRun::FileFinished, this, [&](int index, const TFileOutcome& outcome) {
    QTreeWidgetItem* row = runRows_[index];
    underWay_.removeOne(row);
    ShowOutcome(row, outcome);
    if (outcome.Saved > 0) {
      SavedTotal += outcome.Saved;
      SetStatusText(2, QString::fromStdString(SavedBytesText(SavedTotal)));
    }
    if (!outcome.Cancelled) frmProcessing->FileDone(++done);
    ShowFilesUnderWay();
  });
  connect(&run, &TBatchRun::FileFailed, this, [&](int index, const QString& message) {
    underWay_.removeOne(runRows_[index]);
    if (failure.isEmpty()) failure = message;
    ShowFilesUnderWay();
  });
  QEventLoop waiting;
  bool finished = false;
  connect(&run, &TBatchRun::Finished, this, [&] {
    finished = true;
    waiting.quit();
  });
  run_ = &run;
  run.Start();
  // The application quitting ends this loop early too: the run is then aborted.
  if (!finished) waiting.exec();
  if (!finished) run.Abort();
  run.Wait();
  QCoreApplication::sendPostedEvents(&run);  // the reports of the last files
  run_ = nullptr;
  // Reading or writing a file failed: the run ends with its message.
  if (!failure.isEmpty()) throw std::runtime_error(failure.toStdString());
}

// ---- The shell of the window ----

void TfrmMain::GoToURL(const QString& address) {
  const bool isAddress = address.contains("://") || address.startsWith("mailto:");
  QDesktopServices::openUrl(isAddress ? QUrl(address) : QUrl::fromLocalFile(address));
}

void TfrmMain::btnCloseDirWindowClick() {
  const bool visible = pnDirectories->isHidden();
  pnDirectories->setVisible(visible);
  btnFolders->setChecked(visible);
  mnuFolderWindow->setChecked(visible);
}

void TfrmMain::actStatusbarExecute() {
  StatusBar->setVisible(StatusBar->isHidden());
  actStatusbar->setChecked(!StatusBar->isHidden());
}

void TfrmMain::actThoroughExecute() { LumvaneSettings().setValue(kThoroughSetting, actThorough->isChecked()); }

void TfrmMain::actHelpExecute() { GoToURL(QCoreApplication::applicationDirPath() + "/help.html"); }

void TfrmMain::actOmbrellHomepageExecute() { GoToURL(MakerContacts().Website); }

void TfrmMain::actAboutExecute() {
  frmAbout->move(geometry().center() - frmAbout->rect().center());
  frmAbout->exec();
}

void TfrmMain::actExitExecute() {
  // The run stops, its loop ends with the application's, and its workers are waited for.
  if (running_) actAbortExecute();
  SaveSettings();
  QCoreApplication::quit();
}

}  // namespace lumvane
