// The preview as the user sees it: a click on a row shows the file (an animation plays), a
// click on empty space in the list clears it, and a file that cannot be shown leaves the
// previous picture in place.

#include <cerrno>
#include <cstring>
#include <memory>

#include "WindowTest.h"
#include "support/Giflib.h"

using namespace lumvane;
using namespace lumvane::test;

class PreviewPaneTest : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TWindowTestFolder> folder_;
  std::unique_ptr<TfrmMain> window_;

  void Click(const QString& name) {
    QTreeWidgetItem* row = Row(*window_, name);
    QVERIFY2(row, qPrintable(name));
    QTest::mouseClick(window_->ListViewFiles->viewport(), Qt::LeftButton, {},
                      window_->ListViewFiles->visualItemRect(row).center());
  }

  // The still picture as giflib decodes it: one frame over the whole screen, no transparency.
  QImage StillAsGiflibSeesIt() const {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(folder_->FilePath("still.gif").toStdString());
    const std::optional<GiflibFile> file = GiflibRead(bytes);
    if (!file || file->Frames.size() != 1) return {};
    const GiflibFrame& frame = file->Frames[0];
    if (frame.Left || frame.Top || frame.Width != file->Width || frame.Height != file->Height) return {};
    const std::vector<std::uint8_t>& map = frame.LocalColorMap.empty() ? file->GlobalColorMap : frame.LocalColorMap;
    QImage image(file->Width, file->Height, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const std::size_t index = frame.Pixels[static_cast<std::size_t>(y) * frame.Width + x] * 3u;
        image.setPixel(x, y, qRgb(map[index], map[index + 1], map[index + 2]));
      }
    return image;
  }

  QImage Shown() const { return window_->animator->Shown().convertToFormat(QImage::Format_RGB32); }

private slots:
  void initTestCase() {
    if (!CorpusAvailable()) QSKIP("corpus not found");
  }

  void init() {
    ReportedErrors().clear();
    folder_ = std::make_unique<TWindowTestFolder>();
    QVERIFY(folder_->Copy("animated/static_nontransparent.gif", "still.gif"));
    QVERIFY(folder_->Copy("animated/muybridge.gif", "running.gif"));
    QVERIFY(folder_->Write("x.gif", "this is plain text, not a picture\n"));
    window_ = std::make_unique<TfrmMain>(folder_->Path());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(window_->ListViewFiles->topLevelItemCount(), 3);
    QVERIFY(!window_->animator->Picture().Graphic());
  }

  void cleanup() {
    window_.reset();  // with an animation still playing
    folder_.reset();
    QCOMPARE(ReportedErrors(), QStringList());
  }

  void clickOnARowShowsItsPicture() {
    const QImage expected = StillAsGiflibSeesIt();
    QVERIFY(!expected.isNull());
    Click("still.gif");
    QCOMPARE(window_->ListViewFiles->selectedItems(), QList<QTreeWidgetItem*>({Row(*window_, "still.gif")}));
    QVERIFY(window_->animator->Picture().Graphic());
    QCOMPARE(Shown(), expected);
  }

  void animationPlaysAndStopsWhenReplaced() {
    Click("running.gif");
    QVERIFY(window_->animator->Picture().Graphic());
    QCOMPARE(window_->animator->Shown().size(), QSize(30, 20));
    const QImage first = Shown();
    QTRY_VERIFY_WITH_TIMEOUT(window_->animator->Updates() >= 4 && Shown() != first, 10000);

    // The still replaces the animation; no frame of the old one arrives afterwards.
    Click("still.gif");
    const QImage still = StillAsGiflibSeesIt();
    QCOMPARE(Shown(), still);
    const int updates = window_->animator->Updates();
    QTest::qWait(400);
    QCOMPARE(window_->animator->Updates(), updates);
    QCOMPARE(Shown(), still);
  }

  void clickOnEmptySpaceClearsThePreview() {
    Click("running.gif");
    QTRY_VERIFY_WITH_TIMEOUT(window_->animator->Updates() >= 2, 10000);
    QWidget* viewport = window_->ListViewFiles->viewport();
    const QPoint below(10, viewport->height() - 4);
    QVERIFY(!window_->ListViewFiles->itemAt(below));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, below);
    QVERIFY(window_->ListViewFiles->selectedItems().isEmpty());
    QVERIFY(!window_->ListViewFiles->currentItem());
    QVERIFY(window_->animator->Picture().Graphic() == nullptr);
    QVERIFY(window_->animator->Shown().isNull());
    const int updates = window_->animator->Updates();
    QTest::qWait(400);
    QCOMPARE(window_->animator->Updates(), updates);  // the animation has stopped
    QVERIFY(window_->animator->Shown().isNull());
  }

  void fileThatCannotBeShownKeepsThePreviousPicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reported");
    QTest::newRow("not a GIF") << "x.gif" << "Invalid GIF signature";
    QTest::newRow("deleted after listing") << "running.gif" << QString::fromLocal8Bit(std::strerror(ENOENT));
  }
  void fileThatCannotBeShownKeepsThePreviousPicture() {
    QFETCH(QString, name);
    QFETCH(QString, reported);
    if (name == "running.gif") QVERIFY(QFile::remove(folder_->FilePath(name)));
    Click("still.gif");
    const TGraphic* before = window_->animator->Picture().Graphic();
    const QImage shown = Shown();
    Click(name);
    QCOMPARE(ReportedErrors().size(), 1);
    const QString report = ReportedErrors().takeFirst();
    QVERIFY2(report.contains(reported), qPrintable(report));
    QCOMPARE(window_->animator->Picture().Graphic(), before);
    QCOMPARE(Shown(), shown);
  }
};

LUMVANE_WINDOW_TEST_MAIN(PreviewPaneTest)
#include "PreviewPaneTest.moc"
