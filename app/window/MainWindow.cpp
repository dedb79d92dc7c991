#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

#include "app/FileOptimizer.h"
#include "app/GifSearch.h"
#include "app/window/ErrorReport.h"

namespace lumvane {
namespace {

// Where the window keeps what it remembers between runs (~/.config/Lumvane/Lumvane.conf).
QSettings LumvaneSettings() { return QSettings("Lumvane", "Lumvane"); }

enum TFileColumn { colFileName, colOriginalSize, colOptimizedSize, colReduction };

// The tool bar pictures, by image index.
const char* const kImages[] = {"hide-folders", "refresh", "test", "optimize", "abort", "help"};

QIcon Image(int index) { return QIcon(QStringLiteral(":/lumvane/%1.svg").arg(kImages[index])); }

// Grid lines between the cells of the file list.
class TGridDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
  }
};

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

TfrmMain::TfrmMain(const QString& startFolder) : startFolder_(startFolder) {
  setObjectName("frmMain");
  setWindowTitle(QApplication::applicationName());
  setWindowIcon(QIcon(":/lumvane/lumvane.svg"));
  resize(575, 426);
  BuildActions();
  BuildMenus();
  BuildToolBar();
  BuildFolderPane();
  BuildFileList();
  Splitter = new QSplitter(Qt::Horizontal, this);
  Splitter->setObjectName("Splitter");
  Splitter->setHandleWidth(4);
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(pnDirectories);
  Splitter->addWidget(ListViewFiles);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({169, 575 - 169 - 4});
  setCentralWidget(Splitter);
  BuildStatusBar();

  frmProcessing = new TfrmProcessing(this);
  frmProcessing->OnAbort = [this] { actAbortExecute(); };
  frmAbout = new TfrmAbout(this);
  frmAbout->OnOpenAddress = [this](const QString& address) { GoToURL(address); };

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
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

  QMenu* view = menuBar()->addMenu("&View");
  mnuFolderWindow = view->addAction("Folder Window");
  mnuFolderWindow->setObjectName("mnuFolderWindow");
  mnuFolderWindow->setCheckable(true);
  mnuFolderWindow->setChecked(true);
  connect(mnuFolderWindow, &QAction::triggered, this, [this] { Guarded([this] { btnCloseDirWindowClick(); }); });
  view->addAction(actStatusbar);
  view->addSeparator();
  view->addAction(actThorough);

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
  ToolBar2 = addToolBar("ToolBar2");
  ToolBar2->setObjectName("ToolBar2");
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
  ListViewFiles = new QTreeWidget(this);
  ListViewFiles->setObjectName("ListViewFiles");
  ListViewFiles->setColumnCount(4);
  ListViewFiles->setHeaderLabels({"File Name", "Original Size", "Optimized Size", "Reduction"});
  const int widths[] = {120, 100, 100, 80};
  for (int column = 0; column < 4; ++column) ListViewFiles->setColumnWidth(column, widths[column]);
  ListViewFiles->setRootIsDecorated(false);
  ListViewFiles->setItemsExpandable(false);
  ListViewFiles->setUniformRowHeights(true);
  ListViewFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListViewFiles->setItemDelegate(new TGridDelegate(ListViewFiles));
  ListViewFiles->header()->setStretchLastSection(false);
  ListViewFiles->viewport()->installEventFilter(this);
  connect(ListViewFiles, &QTreeWidget::itemClicked, this, [this] { Guarded([this] { ListViewFilesClick(); }); });
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
  // A run stops before its next file; the event loop ends once it has returned.
  if (running_) AbortRequested = true;
  event->accept();
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

void TfrmMain::dirChange() {
  if (running_) {
    // The list must not change under a run: it is refilled when the run has ended.
    refillAfterRun_ = true;
    return;
  }
  ListViewFiles->clear();
  const QTreeWidgetItem* node = dir->SelectedNode();
  if (!node) return;
  QString folder = node == dir->RootNode() ? DesktopPath : TFolderTree::PathOf(node);
  while (folder.endsWith('/')) folder.chop(1);  // the file-system root is held as ""
  FolderPath = folder;
  const std::string searched = LocalPath(FolderPath.isEmpty() ? QStringLiteral("/") : FolderPath);
  const std::vector<std::string> files = FindGifFiles(searched, false);
  if (files.empty()) return;
  for (const std::string& path : files) {
    auto* item = new QTreeWidgetItem(ListViewFiles);
    item->setText(colFileName, QFile::decodeName(QByteArray::fromStdString(path.substr(path.rfind('/') + 1))));
    // The name's own bytes: one that is not valid UTF-8 would not survive the caption.
    item->setData(colFileName, Qt::UserRole, QByteArray::fromStdString(path));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(colFileName, Qt::Checked);
    for (int column : {colOriginalSize, colOptimizedSize, colReduction})
      item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  }
  SetStatusText(0, "Ready");
}

void TfrmMain::actRefreshExecute() {
  if (running_) {
    refreshAfterRun_ = true;
    return;
  }
  dir->Reread(dir->TopNode());
}

void TfrmMain::ListViewFilesClick() {
  const QList<QTreeWidgetItem*> selected = ListViewFiles->selectedItems();
  if (selected.isEmpty())
    animator->Clear();
  else
    animator->LoadFromFile(FilePathOf(selected.first()));
}

std::string TfrmMain::FilePathOf(const QTreeWidgetItem* item) const {
  return item->data(colFileName, Qt::UserRole).toByteArray().toStdString();
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
  QApplication::setOverrideCursor(Qt::WaitCursor);
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
  // What was asked for during the run happens now, from the event loop.
  if (std::exchange(refreshAfterRun_, false))
    QTimer::singleShot(0, this, [this] { Guarded([this] { actRefreshExecute(); }); });
  else if (std::exchange(refillAfterRun_, false))
    QTimer::singleShot(0, this, [this] { Guarded([this] { dirChange(); }); });
}

void TfrmMain::DoOptimize(bool WriteBack) {
  AbortRequested = false;
  int checked = 0;
  for (int i = 0; i < ListViewFiles->topLevelItemCount(); ++i)
    checked += ListViewFiles->topLevelItem(i)->checkState(colFileName) == Qt::Checked;
  BeginRun(checked);
  struct TCleanup {
    TfrmMain& window;
    ~TCleanup() { window.EndRun(); }
  } cleanup{*this};
  const auto optimizer = std::make_unique<TFileOptimizer>(actThorough->isChecked());

  for (int i = 0; i < ListViewFiles->topLevelItemCount(); ++i)
    for (int column : {colOriginalSize, colOptimizedSize, colReduction})
      ListViewFiles->topLevelItem(i)->setText(column, QString());

  std::int64_t SavedTotal = 0;
  int done = 0;
  for (int i = 0; i < ListViewFiles->topLevelItemCount(); ++i) {
    if (AbortRequested) break;
    QTreeWidgetItem* item = ListViewFiles->topLevelItem(i);
    if (item->checkState(colFileName) != Qt::Checked) continue;
    frmProcessing->LabelProgress->setText(item->text(colFileName));
    // Reading or writing the file may fail: that ends the run and goes to the error report.
    const TFileOutcome outcome = optimizer->Process(FilePathOf(item), WriteBack);
    item->setText(colOriginalSize, QString::number(outcome.OriginalSize));
    if (outcome.OptimizedSize >= 0) {
      item->setText(colOptimizedSize, QString::number(outcome.OptimizedSize));
      item->setText(colReduction, QString::fromStdString(outcome.Reduction));
    } else {
      item->setText(colOptimizedSize, QString::fromStdString(outcome.Message));
      item->setToolTip(colOptimizedSize, item->text(colOptimizedSize));
    }
    if (outcome.Saved > 0) {
      SavedTotal += outcome.Saved;
      SetStatusText(2, QString::fromStdString(SavedBytesText(SavedTotal)));
    }
    frmProcessing->FileDone(++done);
    QCoreApplication::processEvents();
  }
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
  if (running_) AbortRequested = true;
  QCoreApplication::quit();
}

}  // namespace lumvane
