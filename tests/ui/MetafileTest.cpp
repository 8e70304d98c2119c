// Metafiles drawn into pictures: the size a metafile claims, where its
// drawing lands on the background, and files that are not whole metafiles.
// The metafiles are written here record by record from the published layout.

#include "viewer/ui/Metafile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <initializer_list>
#include <string>

using namespace zv;

namespace {

constexpr std::uint32_t kBrush = 0x00C04020;      // 0x00BBGGRR: red 0x20, green 0x40, blue 0xC0
constexpr std::uint32_t kBackground = 0x00336699; // red 0x99, green 0x66, blue 0x33

class LittleEndian {
public:
    LittleEndian& U16(int value) {
        bytes.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
        return *this;
    }
    LittleEndian& U32(std::int64_t value) { return U16(int(value & 0xFFFF)).U16(int(value >> 16)); }
    QByteArray bytes;
};

// --- WMF --------------------------------------------------------------------

QByteArray WmfRecord(int function, std::initializer_list<int> words) {
    LittleEndian out;
    out.U32(3 + std::int64_t(words.size())).U16(function);
    for (int word : words) out.U16(word);
    return out.bytes;
}

// A solid brush of the colour, a null pen, and a rectangle (left, top, right,
// bottom) in logical units.
QByteArray WmfFilledRectangle(int left, int top, int right, int bottom) {
    QByteArray records;
    records += WmfRecord(0x02FC, {0, int(kBrush & 0xFFFF), int(kBrush >> 16), 0}); // brush
    records += WmfRecord(0x012D, {0});                                             // select
    records += WmfRecord(0x02FA, {5, 0, 0, 0, 0});                                 // PS_NULL pen
    records += WmfRecord(0x012D, {1});
    records += WmfRecord(0x041B, {bottom, right, top, left});
    return records;
}

// MM_ANISOTROPIC with the window's origin and extent, as drawing programs
// begin their metafiles.
QByteArray WmfWindow(int left, int top, int width, int height) {
    return WmfRecord(0x0103, {8}) + WmfRecord(0x020B, {top, left}) +
           WmfRecord(0x020C, {height, width});
}

QByteArray Wmf(const QByteArray& records) {
    const QByteArray body = records + WmfRecord(0x0000, {});
    LittleEndian header;
    header.U16(1).U16(9).U16(0x0300).U32((18 + body.size()) / 2).U16(2).U32(8).U16(0);
    return header.bytes + body;
}

QByteArray PlaceableWmf(int left, int top, int right, int bottom, int inch,
                        const QByteArray& records) {
    LittleEndian header;
    header.U32(0x9AC6CDD7).U16(0).U16(left).U16(top).U16(right).U16(bottom).U16(inch).U32(0);
    int checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= std::uint8_t(header.bytes[i]) | std::uint8_t(header.bytes[i + 1]) << 8;
    header.U16(checksum);
    return header.bytes + Wmf(records);
}

// 200 x 100 pixels at 1440 units an inch; the rectangle covers pixels
// 50..149 x 20..79.
QByteArray SampleWmf() {
    return PlaceableWmf(0, 0, 3000, 1500, 1440,
                        WmfWindow(0, 0, 3000, 1500) + WmfFilledRectangle(750, 300, 2250, 1200));
}

// --- EMF --------------------------------------------------------------------

struct Rect {
    int left, top, right, bottom;
};

QByteArray EmfRecord(int type, std::initializer_list<std::int64_t> values) {
    LittleEndian out;
    out.U32(type).U32(8 + 4 * std::int64_t(values.size()));
    for (std::int64_t value : values) out.U32(value);
    return out.bytes;
}

QByteArray EmfFilledRectangle(Rect box) {
    return EmfRecord(39, {1, 0, kBrush, 0})                             // EMR_CREATEBRUSHINDIRECT
           + EmfRecord(37, {1})                                         // EMR_SELECTOBJECT
           + EmfRecord(37, {0x80000008})                                // NULL_PEN
           + EmfRecord(43, {box.left, box.top, box.right, box.bottom}); // EMR_RECTANGLE
}

// The reference device is 1024 x 768 pixels on 270.93 x 203.2 mm, 96 an inch.
QByteArray Emf(Rect bounds, Rect frame, const QByteArray& records) {
    const QByteArray body = records + EmfRecord(14, {0, 16, 20}); // EMR_EOF
    LittleEndian header;
    header.U32(1).U32(88);
    for (int v : {bounds.left, bounds.top, bounds.right, bounds.bottom}) header.U32(v);
    for (int v : {frame.left, frame.top, frame.right, frame.bottom}) header.U32(v);
    header.U32(0x464D4520).U32(0x10000).U32(88 + body.size()).U32(6);
    header.U16(2).U16(0).U32(0).U32(0).U32(0);
    header.U32(1024).U32(768).U32(271).U32(203);
    return header.bytes + body;
}

// 200 x 100 pixels; the rectangle covers pixels 50..149 x 20..79.
QByteArray SampleEmf() {
    return Emf({0, 0, 199, 99}, {0, 0, 5292, 2646}, EmfFilledRectangle({50, 20, 150, 80}));
}

// --- pictures ---------------------------------------------------------------

QByteArray PixelAt(const Bitmap& picture, int x, int y) {
    const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
    return QByteArray::fromRawData(reinterpret_cast<const char*>(p), 3).toHex();
}

const QByteArray kBrushPixel = "c04020"; // blue, green, red
const QByteArray kBackgroundPixel = "336699";

// A picture that a failed render must leave exactly as it was.
Bitmap Untouched() {
    Bitmap picture;
    picture.Create(3, 2, PixelFormat::Bits8);
    picture.ScanLine(1)[2] = 7;
    return picture;
}

bool SameAsUntouched(const Bitmap& picture) {
    return picture.Width() == 3 && picture.Height() == 2 &&
           picture.Format() == PixelFormat::Bits8 && picture.ScanLine(1)[2] == 7;
}

} // namespace

class MetafileTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    std::string Write(const QString& name, const QByteArray& bytes) {
        QFile file(folder_.filePath(name));
        if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(name));
        file.write(bytes);
        return file.fileName().toStdString();
    }

private slots:
    void drawingLandsOnTheBackground_data() {
        QTest::addColumn<QByteArray>("metafile");
        QTest::addColumn<QString>("name");
        QTest::newRow("placeable WMF") << SampleWmf() << "a.wmf";
        // The bounding box and window start away from 0: they map to the
        // picture's top left corner all the same.
        QTest::newRow("placeable WMF, window off the origin")
            << PlaceableWmf(1000, 500, 4000, 2000, 1440,
                            WmfWindow(1000, 500, 3000, 1500) +
                                WmfFilledRectangle(1750, 800, 3250, 1700))
            << "b.wmf";
        // The window extent is the metafile's logical size: it is stretched
        // onto the bounding box.
        QTest::newRow("placeable WMF, window in other units")
            << PlaceableWmf(0, 0, 3000, 1500, 1440,
                            WmfWindow(0, 0, 400, 200) + WmfFilledRectangle(100, 40, 300, 160))
            << "c.wmf";
        QTest::newRow("EMF") << SampleEmf() << "a.emf";
        // A frame wider than the drawing: the picture is the frame, the
        // drawing stays where it is inside it.
        QTest::newRow("EMF with a margin round the drawing")
            << Emf({40, 10, 199, 99}, {0, 0, 5292, 2646}, EmfFilledRectangle({50, 20, 150, 80}))
            << "b.emf";
    }
    void drawingLandsOnTheBackground() {
        QFETCH(QByteArray, metafile);
        QFETCH(QString, name);
        Bitmap picture;
        QVERIFY(RenderMetafile(Write(name, metafile), kBackground, picture));
        QCOMPARE(picture.Format(), PixelFormat::Bits24);
        QCOMPARE(picture.Width(), 200);
        QCOMPARE(picture.Height(), 100);
        for (auto [x, y] : {std::pair{52, 22}, {100, 50}, {147, 77}})
            QCOMPARE(PixelAt(picture, x, y), kBrushPixel);
        for (auto [x, y] : {std::pair{0, 0}, {46, 50}, {100, 16}, {154, 50}, {100, 84}, {199, 99}})
            QCOMPARE(PixelAt(picture, x, y), kBackgroundPixel);
    }

    // Without a placeable header there is no frame: the picture is what the
    // records draw, one logical unit a pixel.
    void plainWmfIsTheSizeOfItsDrawing() {
        Bitmap picture;
        QVERIFY(RenderMetafile(Write("plain.wmf", Wmf(WmfFilledRectangle(50, 20, 150, 80))),
                               kBackground, picture));
        QVERIFY2(qAbs(picture.Width() - 100) <= 2, qPrintable(QString::number(picture.Width())));
        QVERIFY2(qAbs(picture.Height() - 60) <= 2, qPrintable(QString::number(picture.Height())));
        QCOMPARE(PixelAt(picture, picture.Width() / 2, picture.Height() / 2), kBrushPixel);
    }

    void sizeIsGuarded_data() {
        QTest::addColumn<QByteArray>("metafile");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("empty WMF box") << PlaceableWmf(0, 0, 0, 0, 1440, {}) << 1 << 1;
        QTest::newRow("WMF box upside down")
            << PlaceableWmf(3000, 1500, 0, 0, 1440, WmfFilledRectangle(750, 300, 2250, 1200)) << 200
            << 100;
        // 288000 x 960 pixels claimed: 8192 wide, the height in proportion.
        QTest::newRow("very wide WMF") << PlaceableWmf(0, 0, 30000, 100, 10, {}) << 8192 << 27;
        QTest::newRow("empty EMF frame and bounds")
            << Emf({0, 0, 0, 0}, {0, 0, 0, 0}, {}) << 1 << 1;
        // 37.8 million x 3780 pixels claimed.
        QTest::newRow("very wide EMF")
            << Emf({0, 0, 99, 99}, {0, 0, 1000000000, 100000}, EmfFilledRectangle({0, 0, 99, 99}))
            << 8192 << 1;
        // 8000 x 8100 pixels: within the side limit but 64.8 million pixels,
        // so both sides shrink by the square root of 64 / 64.8.
        QTest::newRow("very large EMF")
            << Emf({0, 0, 99, 99}, {0, 0, 211667, 214313}, {}) << 7950 << 8049;
    }
    void sizeIsGuarded() {
        QFETCH(QByteArray, metafile);
        QFETCH(int, width);
        QFETCH(int, height);
        Bitmap picture;
        QVERIFY(RenderMetafile(Write("size.mf", metafile), kBackground, picture));
        QCOMPARE(picture.Width(), width);
        QCOMPARE(picture.Height(), height);
    }

    void filesThatAreNotWholeMetafilesFail_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("This is not a picture.\r\n");
        QByteArray noise(4096, '\0');
        QRandomGenerator random(20240611);
        for (char& byte : noise) byte = char(random.bounded(256));
        QTest::newRow("random bytes") << noise;
        QTest::newRow("placeable key only") << PlaceableWmf(0, 0, 10, 10, 96, {}).left(22);
        QTest::newRow("WMF with no units an inch") << PlaceableWmf(0, 0, 10, 10, 0, {});
        const QByteArray wmf = SampleWmf();
        const QByteArray emf = SampleEmf();
        for (int cut : {30, 41, 60, 90}) QTest::addRow("WMF cut to %d bytes", cut) << wmf.left(cut);
        for (int cut : {40, 88, 100, 130, int(emf.size()) - 4})
            QTest::addRow("EMF cut to %d bytes", cut) << emf.left(cut);
        QByteArray longRecord = wmf;
        longRecord[22 + 18] = char(0x7F); // the first record claims more than the file holds
        QTest::newRow("WMF record past the end") << longRecord;
        QByteArray oddRecord = emf;
        oddRecord[88 + 4] = 23; // a record size that is not a whole number of words
        QTest::newRow("EMF record of odd size") << oddRecord;
    }
    void filesThatAreNotWholeMetafilesFail() {
        QFETCH(QByteArray, bytes);
        Bitmap picture = Untouched();
        QVERIFY(!RenderMetafile(Write("bad.wmf", bytes), kBackground, picture));
        QVERIFY(SameAsUntouched(picture));
    }

    void missingFileFails() {
        Bitmap picture = Untouched();
        QVERIFY(!RenderMetafile(folder_.filePath("none.emf").toStdString(), 0, picture));
        QVERIFY(!RenderMetafile(folder_.path().toStdString(), 0, picture)); // a folder
        QVERIFY(SameAsUntouched(picture));
    }

    // Damaged record contents must never crash the renderers: each sample is
    // rendered with bytes overwritten at random, and whatever comes back is
    // either a picture within the limits or a failure that leaves the old one.
    void damagedRecordsNeverCrash() {
        QRandomGenerator random(7);
        const std::string path = Write("damaged.mf", {});
        for (const QByteArray& sample : {SampleWmf(), SampleEmf()}) {
            for (int round = 0; round < 300; ++round) {
                QByteArray bytes = sample;
                const int hits = 1 + random.bounded(4);
                for (int i = 0; i < hits; ++i)
                    bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
                Write("damaged.mf", bytes);
                Bitmap picture = Untouched();
                if (RenderMetafile(path, kBackground, picture)) {
                    QVERIFY(picture.Width() >= 1 && picture.Width() <= 8192);
                    QVERIFY(picture.Height() >= 1 && picture.Height() <= 8192);
                } else {
                    QVERIFY(SameAsUntouched(picture));
                }
            }
        }
    }
};

QTEST_MAIN(MetafileTest)
#include "MetafileTest.moc"
