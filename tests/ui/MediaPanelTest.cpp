// The media player panel: files open stopped with their length and picture
// size, the controls drive the player, unreadable files fail, and the bars
// follow the options.

#include "viewer/ui/MediaPanel.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QVideoWidget>

using namespace zv;

namespace {

constexpr int kAnswerMs = 10000;

// Tests run from the repository root; ctest runs them from the build folder,
// so fall back to the folder beside this source file.
QString Fixture(const QString& name) {
    const QString fromRoot = QStringLiteral("tests/data/media/") + name;
    if (QFileInfo::exists(fromRoot)) return QFileInfo(fromRoot).absoluteFilePath();
    return QFileInfo(QStringLiteral(__FILE__))
        .dir()
        .absoluteFilePath(QStringLiteral("../data/media/") + name);
}

} // namespace

class MediaPanelTest : public QObject {
    Q_OBJECT
private slots:
    // First, while no multimedia object exists yet: Qt reads the backend
    // choice once, and aborts on a missing one unless the panel checks first.
    void withoutABackendEveryOpenFails() {
        const QByteArray chosen = qgetenv("QT_MEDIA_BACKEND");
        qputenv("QT_MEDIA_BACKEND", "none-installed");
        MediaPanel panel;
        if (chosen.isEmpty()) {
            qunsetenv("QT_MEDIA_BACKEND");
        } else {
            qputenv("QT_MEDIA_BACKEND", chosen);
        }
        QVERIFY(!panel.IsAvailable());
        QSignalSpy failed(&panel, &MediaPanel::failed);
        panel.Open(Fixture("tone.wav"));
        QTRY_COMPARE(failed.count(), 1);
        QVERIFY(!panel.IsOpen());
        panel.Play();
        QVERIFY(!panel.IsPlaying());
        QVERIFY(MediaPanel().IsAvailable());
    }

    void soundOpensStoppedAndFollowsTheControls() {
        MediaPanel panel;
        panel.show();
        QSignalSpy opened(&panel, &MediaPanel::opened);
        QSignalSpy failed(&panel, &MediaPanel::failed);
        panel.Open(Fixture("tone.wav"));
        QVERIFY(!panel.IsOpen());
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, kAnswerMs);
        QCOMPARE(failed.count(), 0);
        QVERIFY(panel.IsOpen());
        QVERIFY(!panel.IsPlaying());
        QVERIFY(!panel.IsPaused());
        QVERIFY2(qAbs(panel.ClipLengthMs() - 500) <= 100,
                 qPrintable(QString::number(panel.ClipLengthMs())));
        QCOMPARE(panel.VideoSize(), QSize(0, 0));
        QVERIFY(!panel.findChild<QVideoWidget*>()->isVisible());
        const QLabel* status = panel.findChild<QLabel*>();
        QVERIFY2(status->text().startsWith("Stopped 0:00 / 0:00"), qPrintable(status->text()));

        // Looping keeps the half-second clip playing long enough to pause it.
        panel.SetLoop(true);
        panel.Play();
        QTRY_VERIFY(panel.IsPlaying());
        QTest::qWait(800);
        QVERIFY(panel.IsPlaying());
        panel.PlayPause();
        QTRY_VERIFY(panel.IsPaused());
        QVERIFY2(status->text().startsWith("Paused"), qPrintable(status->text()));
        panel.PlayPause();
        QTRY_VERIFY(panel.IsPlaying());
        panel.Stop();
        QTRY_VERIFY(!panel.IsPlaying() && !panel.IsPaused());
        QVERIFY(panel.IsOpen());

        // Play/pause on a stopped player starts it rather than pausing it.
        panel.PlayPause();
        QTRY_VERIFY(panel.IsPlaying());
        panel.Close();
        QVERIFY(!panel.IsOpen() && !panel.IsPlaying());
        QCOMPARE(panel.ClipLengthMs(), 0);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(failed.count(), 0);
    }

    void videoOpensWithItsPictureSizeShownFittedOrNot() {
        MediaPanel panel;
        panel.resize(320, 240);
        panel.show();
        QSignalSpy opened(&panel, &MediaPanel::opened);
        panel.Open(Fixture("clip.avi"));
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, kAnswerMs);
        QCOMPARE(panel.VideoSize(), QSize(64, 48));
        QVERIFY2(qAbs(panel.ClipLengthMs() - 1000) <= 150,
                 qPrintable(QString::number(panel.ClipLengthMs())));
        QVERIFY(!panel.IsPlaying());

        const QVideoWidget* video = panel.findChild<QVideoWidget*>();
        QVERIFY(video->isVisible());
        QTRY_COMPARE(video->size(), QSize(64, 48));
        panel.SetFit(true);
        QTRY_VERIFY(video->width() > 64 && video->height() > 48);
        panel.SetFit(false);
        QTRY_COMPARE(video->size(), QSize(64, 48));

        // Opening a sound file over it drops the picture.
        panel.Open(Fixture("tone.wav"));
        QVERIFY(!panel.IsOpen());
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 2, kAnswerMs);
        QCOMPARE(panel.VideoSize(), QSize(0, 0));
        QVERIFY(!video->isVisible());
    }

    void unreadableFilesFailOnce() {
        MediaPanel panel;
        QSignalSpy opened(&panel, &MediaPanel::opened);
        QSignalSpy failed(&panel, &MediaPanel::failed);
        panel.Open(Fixture("broken.avi"));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, kAnswerMs);
        panel.Open(Fixture("no-such-clip.avi"));
        QCOMPARE(failed.count(), 1); // the answer comes later, not inside Open
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 2, kAnswerMs);
        QTest::qWait(300);
        QCOMPARE(failed.count(), 2);
        QCOMPARE(opened.count(), 0);
        QVERIFY(!panel.IsOpen());

        // A closed open is never answered; the next open still works.
        panel.Open(Fixture("no-such-clip.avi"));
        panel.Close();
        panel.Open(Fixture("tone.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, kAnswerMs);
        QCOMPARE(failed.count(), 2);
    }

    void barsFollowTheOptionsAndReportTheirHeights() {
        MediaPanel panel;
        panel.show();
        auto* status = panel.findChild<QLabel*>();
        auto* track = panel.findChild<QSlider*>();
        auto* controls = panel.findChild<QToolButton*>()->parentWidget();
        QVERIFY(status->isVisible() && track->isVisible() && controls->isVisible());

        panel.SetBars({false, true, false});
        QVERIFY(!status->isVisible());
        QVERIFY(track->isVisible());
        QVERIFY(!controls->isVisible());
        panel.SetBars({true, false, true});
        QVERIFY(status->isVisible());
        QVERIFY(!track->isVisible());
        QVERIFY(controls->isVisible());

        panel.SetBars({true, true, true});
        QTRY_COMPARE(status->height(), panel.StatusLineHeight());
        QCOMPARE(track->height(), panel.TrackBarHeight());
        QCOMPARE(controls->height(), panel.ControlsHeight());
        QVERIFY(panel.StatusLineHeight() > 0 && panel.TrackBarHeight() > 0 &&
                panel.ControlsHeight() > 0);
    }

    void rightClickAsksForTheContextMenu() {
        MediaPanel panel;
        panel.resize(200, 150);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QSignalSpy wanted(&panel, &MediaPanel::contextMenuWanted);
        const QPoint onStage(100, 20);
        QTest::mouseClick(panel.windowHandle(), Qt::RightButton, {}, onStage);
        QTRY_COMPARE(wanted.count(), 1);
        QCOMPARE(wanted.first().first().toPoint(), panel.mapToGlobal(onStage));
    }
};

QTEST_MAIN(MediaPanelTest)
#include "MediaPanelTest.moc"
