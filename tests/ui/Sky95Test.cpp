// The display control: pictures painted 1:1, enlarged into solid blocks and
// reduced from a kept copy; the background, the selection frame, a held
// picture and suspended painting; the hand and select tools' drags and clicks.

#include "viewer/ui/Sky95.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <mutex>
#include <vector>

using namespace zv;

namespace {

QRgb Tiny(int x, int y) {
    return qRgb(10 + 60 * x, 20 + 70 * y, 250 - 40 * x - 30 * y);
}

Bitmap TrueColour(int width, int height, const std::function<QRgb(int, int)>& colour) {
    Bitmap bitmap;
    bitmap.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const QRgb rgb = colour(x, y);
            p[0] = qBlue(rgb), p[1] = qGreen(rgb), p[2] = qRed(rgb);
        }
    }
    return bitmap;
}

// `clip` of the control, painted into an image the clip's size over a fill
// that no paint uses.
QImage Painted(Sky95& view, const QRect& clip) {
    QImage image(clip.size(), QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    QPainter painter(&image);
    view.PaintRegion(painter, clip);
    return image;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QRgb Quadrant(int x, int y) {
    return x < 20 ? (y < 15 ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
                  : (y < 15 ? qRgb(0, 255, 0) : qRgb(255, 255, 255));
}

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

} // namespace

class Sky95Test : public QObject {
    Q_OBJECT
private slots:
    void paintsOneToOneWithTheFrameOnTop() {
        const Bitmap picture = TrueColour(4, 3, Tiny);
        Sky95 view;
        view.Show(&picture);
        view.SetDisplaySize({4, 3});
        const QImage whole = Painted(view, {0, 0, 4, 3});
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) QCOMPARE(whole.pixel(x, y), Tiny(x, y));
        const QImage part = Painted(view, {1, 1, 2, 2});
        QCOMPARE(part.pixel(0, 0), Tiny(1, 1));
        QCOMPARE(part.pixel(1, 1), Tiny(2, 2));

        view.SetSelectionFrame({0, 0, 3, 3});
        const QImage framed = Painted(view, {0, 0, 4, 3});
        QVERIFY(framed.pixel(2, 2) != Tiny(2, 2));
        QCOMPARE(framed.pixel(1, 1), Tiny(1, 1)); // inside
        QCOMPARE(framed.pixel(3, 1), Tiny(3, 1)); // outside
        view.SetSelectionFrame({});
        QCOMPARE(Painted(view, {0, 0, 4, 3}), whole);
    }

    void enlargesIntoSolidBlocksThatRepaintsMatch() {
        const Bitmap picture = TrueColour(4, 3, Tiny);
        Sky95 view;
        view.Show(&picture);
        view.SetDisplaySize({12, 9});
        // Starts and ends inside blocks.
        const QImage part = Painted(view, {4, 2, 6, 5});
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) QCOMPARE(part.pixel(x, y), Tiny((4 + x) / 3, (2 + y) / 3));

        // At 250 % the blocks are 2 or 3 pixels; tiles must agree with one paint.
        view.SetDisplaySize({10, 7});
        const QImage whole = Painted(view, {0, 0, 10, 7});
        for (const QRect tile : {QRect(0, 0, 3, 4), QRect(3, 0, 7, 4), QRect(0, 4, 10, 3)})
            QCOMPARE(Painted(view, tile), whole.copy(tile));
    }

    void reducesFromAKeptCopyUntilShownAgain() {
        Bitmap picture = TrueColour(40, 30, Quadrant);
        Sky95 view;
        view.Show(&picture);
        for (const QSize shown : {QSize(8, 6), QSize(6, 4), QSize(30, 25)}) {
            view.SetDisplaySize(shown);
            const QImage reduced = Painted(view, {QPoint(), shown});
            const int right = shown.width() - 1, bottom = shown.height() - 1;
            QVERIFY(Near(reduced.pixel(0, 0), qRgb(255, 0, 0), 8));
            QVERIFY(Near(reduced.pixel(right, 0), qRgb(0, 255, 0), 8));
            QVERIFY(Near(reduced.pixel(0, bottom), qRgb(0, 0, 255), 8));
            QVERIFY(Near(reduced.pixel(right, bottom), qRgb(255, 255, 255), 8));
        }
        picture = TrueColour(40, 30, [](int, int) { return qRgb(0, 0, 0); });
        QVERIFY(Painted(view, {0, 0, 30, 25}).pixel(0, 0) != qRgb(0, 0, 0));
        view.Show(&picture);
        QCOMPARE(Painted(view, {0, 0, 30, 25}).pixel(0, 0), qRgb(0, 0, 0));
    }

    void reducesPalettePicturesByArea() {
        Bitmap checks;
        checks.Create(16, 16, PixelFormat::Bits1);
        for (int y = 0; y < 16; ++y) std::fill_n(checks.ScanLine(y), 2, y % 2 ? 0x55 : 0xAA);
        Sky95 view;
        view.Show(&checks);
        view.SetDisplaySize({4, 4});
        QVERIFY(Near(Painted(view, {0, 0, 4, 4}).pixel(3, 2), qRgb(128, 128, 128), 2));

        Bitmap indexed;
        indexed.Create(20, 20, PixelFormat::Bits8);
        Palette palette(256);
        palette[5] = {30, 60, 90, 0};
        indexed.SetPalette(palette);
        for (int y = 0; y < 20; ++y) std::fill_n(indexed.ScanLine(y), 20, 5);
        view.Show(&indexed);
        view.SetDisplaySize({5, 5});
        QCOMPARE(Painted(view, {0, 0, 5, 5}).pixel(4, 4), qRgb(90, 60, 30));
    }

    void fillsTheBackgroundAndWaitsForAHeldPicture() {
        Sky95 view;
        view.SetBackground(QColor(7, 8, 9));
        view.SetDisplaySize({4, 3});
        QCOMPARE(Painted(view, {0, 0, 4, 3}).pixel(2, 1), qRgb(7, 8, 9));
        const Bitmap picture = TrueColour(4, 3, Tiny);
        view.Show(&picture);
        const QImage beyond = Painted(view, {2, 0, 4, 3});
        QCOMPARE(beyond.pixel(1, 0), Tiny(3, 0));
        QCOMPARE(beyond.pixel(2, 0), qRgb(7, 8, 9));

        std::unique_lock held(picture.Surface());
        QCOMPARE(Painted(view, {0, 0, 4, 3}).pixel(0, 0), qRgb(1, 2, 3));
        held.unlock();
        QCOMPARE(Painted(view, {0, 0, 4, 3}).pixel(0, 0), Tiny(0, 0));
    }

    void suspendedPaintingResumesWithOneRepaint() {
        const Bitmap picture = TrueColour(4, 3, Tiny);
        Sky95 view;
        view.Show(&picture);
        view.SetDisplaySize({40, 30});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetPaintingSuspended(true);
        view.repaint();
        PaintCounter paints;
        view.installEventFilter(&paints);
        view.SetPaintingSuspended(false);
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(view.grab().toImage().pixel(39, 29), Tiny(3, 2));
    }

    void handDragsInSnappedSteps() {
        Sky95 view;
        view.SetDisplaySize({100, 100});
        view.SetSnap(4);
        std::vector<QPoint> deltas;
        connect(&view, &Sky95::dragged, [&](QPoint delta) { deltas.push_back(delta); });
        QSignalSpy clicked(&view, &Sky95::leftClicked);
        QTest::mousePress(&view, Qt::LeftButton, {}, {50, 50});
        QCOMPARE(view.cursor().shape(), Qt::ClosedHandCursor);
        for (const QPoint to : {QPoint(53, 50), QPoint(55, 49), QPoint(62, 41), QPoint(57, 41)})
            QTest::mouseMove(&view, to);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, {57, 41});
        // 3 is no step yet; 5 gives 4 and keeps 1; 12 - 4 gives 8; back 5 gives -4.
        const std::vector<QPoint> expected{{4, 0}, {8, -8}, {-4, 0}};
        QCOMPARE(deltas, expected);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(view.cursor().shape(), Qt::OpenHandCursor);
    }

    void selectDragsASnappedBandAndClicksAreClicks() {
        Sky95 view;
        view.SetDisplaySize({30, 30});
        view.SetTool(MouseTool::Select);
        view.SetSnap(3);
        QCOMPARE(view.cursor().shape(), Qt::CrossCursor);
        std::vector<std::pair<ViewRect, bool>> bands;
        connect(&view, &Sky95::rubberBandReleased,
                [&](ViewRect band, bool shift) { bands.emplace_back(band, shift); });
        QSignalSpy clicked(&view, &Sky95::leftClicked);
        QSignalSpy rightClicked(&view, &Sky95::rightClicked);

        QTest::mousePress(&view, Qt::LeftButton, {}, {10, 20});
        QTest::mouseMove(&view, {4, 5});
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::ShiftModifier, {4, 5});
        // Backwards from (10, 20) to (4, 5): the cells under both corners, whole.
        QTest::mousePress(&view, Qt::LeftButton, {}, {25, 5});
        QTest::mouseMove(&view, {50, -7});
        QTest::mouseRelease(&view, Qt::LeftButton, {}, {50, -7});
        const std::vector<std::pair<ViewRect, bool>> expected{{{3, 3, 12, 21}, true},
                                                              {{24, 0, 30, 6}, false}};
        QCOMPARE(bands, expected);
        QCOMPARE(view.SelectionFrame(), ViewRect{}); // the owner decides
        QCOMPARE(clicked.count(), 0);

        QTest::mouseClick(&view, Qt::LeftButton, {}, {7, 7});
        QTest::mouseClick(&view, Qt::RightButton, {}, {7, 7});
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(bands.size(), std::size_t{2});
        QCOMPARE(rightClicked.count(), 1);
        QCOMPARE(rightClicked[0][0].toPoint(), view.mapToGlobal(QPoint(7, 7)));
    }
};

QTEST_MAIN(Sky95Test)
#include "Sky95Test.moc"
