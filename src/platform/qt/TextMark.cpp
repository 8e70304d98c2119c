#include "platform/qt/TextMark.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>

namespace zv {

namespace {

// Point sizes mean what they mean on a 96 dpi screen.
constexpr int kDotsPerMeter = 3780;

QColor ToColour(ColourRef colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QFont ToFont(const FontChoice& choice) {
    QFont font;
    if (!choice.family.empty()) font.setFamily(QString::fromStdString(choice.family));
    font.setPointSize(choice.points > 0 ? choice.points : 8);
    font.setBold(choice.bold);
    font.setItalic(choice.italic);
    return font;
}

} // namespace

void QtTextMarkPainter::Draw(const TextCanvas& canvas, std::string_view text, const TextBox& box,
                             bool alignRight, std::span<const TextStroke> strokes) {
    if (!canvas.pixels || canvas.width <= 0 || canvas.height <= 0 || text.empty()) return;
    QImage image(canvas.pixels, canvas.width, canvas.height, static_cast<qsizetype>(canvas.stride),
                 QImage::Format_BGR888);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    const QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int flags =
        Qt::TextSingleLine | Qt::AlignVCenter | (alignRight ? Qt::AlignRight : Qt::AlignLeft);
    QPainter painter(&image);
    painter.setFont(ToFont(style.font));
    for (const TextStroke& stroke : strokes) {
        const QRect moved(box.left + stroke.dx, box.top + stroke.dy, box.right - box.left,
                          box.bottom - box.top);
        painter.setClipRect(moved.intersected(image.rect()));
        painter.setPen(ToColour(stroke.colour));
        painter.drawText(moved, flags, line);
    }
}

namespace {

// A program without windows prints its own notes; Qt's warnings about the
// desktop it does not use (no runtime folder, no session) would only mix
// with them. Errors still reach standard error.
void ErrorsOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

OffscreenGui::OffscreenGui() {
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler_ = qInstallMessageHandler(ErrorsOnly);
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

OffscreenGui::~OffscreenGui() {
    if (!application_) return;
    application_.reset();
    qInstallMessageHandler(previousHandler_);
}

} // namespace zv
