#include "viewer/ui/InfoWindow.h"

#include "platform/FileCrc.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace zv {

namespace {

constexpr int kMargin = 16;

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString Bytes(std::int64_t count) {
    return QLocale::system().toString(qlonglong(count)) + QStringLiteral(" bytes");
}

// Builds the form and the same lines as text.
class FactSheet {
public:
    explicit FactSheet(QFormLayout& form) : form_(form) {}

    void Heading(const QString& title) {
        auto* label = new QLabel(title);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        if (form_.rowCount() > 0) label->setContentsMargins(0, kMargin / 2, 0, 0);
        form_.addRow(label);
        text_ += title + QLatin1Char('\n');
    }
    void Row(const QString& name, const QString& value) {
        auto* shown = new QLabel(value);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form_.addRow(name + QLatin1Char(':'), shown);
        text_ += name + QStringLiteral(": ") + value + QLatin1Char('\n');
    }
    void Paragraph(const QString& text) {
        auto* shown = new QLabel(text);
        shown->setWordWrap(true);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form_.addRow(shown);
        text_ += text + QLatin1Char('\n');
    }
    QString Text() const { return text_; }

private:
    QFormLayout& form_;
    QString text_;
};

} // namespace

InfoWindow::InfoWindow(QWidget* viewer) : QDialog(viewer), viewer_(viewer) {
    setWindowTitle(QStringLiteral("Info"));
    setObjectName(QStringLiteral("infoWindow"));
    scroller_ = new QScrollArea;
    scroller_->setFrameShape(QFrame::NoFrame);
    scroller_->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller_);
}

void InfoWindow::ShowFacts(const ImageInformation& info, const JpegFacts& jpeg) {
    Fill(info, jpeg);
    FitAndCentre();
    show();
    raise();
    activateWindow();
}

void InfoWindow::Fill(const ImageInformation& info, const JpegFacts& jpeg) {
    auto* sheet = new QWidget;
    auto* form = new QFormLayout(sheet);
    form->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    form->setLabelAlignment(Qt::AlignRight);
    FactSheet facts(*form);

    facts.Heading(QStringLiteral("Picture"));
    facts.Row(QStringLiteral("Size"), QStringLiteral("%1 x %2 pixels, %3 bits")
                                          .arg(info.width)
                                          .arg(info.height)
                                          .arg(info.imageBits));
    if (info.scaledDecode)
        facts.Row(QStringLiteral("Shown at"), QStringLiteral("1:%1").arg(info.jpegScale));
    if (info.pages > 1) facts.Row(QStringLiteral("Pages"), QString::number(info.pages));
    facts.Row(QStringLiteral("Memory"), Bytes(info.usesBytes));

    facts.Heading(QStringLiteral("File"));
    facts.Row(QStringLiteral("Name"), Qt(info.name));
    facts.Row(QStringLiteral("Folder"), Qt(info.path));
    facts.Row(QStringLiteral("Date"), Qt(info.date));
    facts.Row(QStringLiteral("Size"), Bytes(info.fileSize));
    facts.Row(QStringLiteral("CRC"), info.crc ? Qt(CrcText(*info.crc)) : QStringLiteral("?"));

    if (!jpeg.exif.empty()) {
        facts.Heading(QStringLiteral("EXIF"));
        for (const ExifFact& fact : jpeg.exif) facts.Row(Qt(fact.name), Qt(fact.value));
    }
    for (const std::string& comment : jpeg.comments) {
        facts.Heading(QStringLiteral("Comment"));
        facts.Paragraph(QString::fromUtf8(comment.c_str()).trimmed());
    }
    text_ = facts.Text();
    scroller_->setWidget(sheet); // the previous sheet goes with it
}

// As large as the facts need, within the viewer's screen, centred on the viewer.
void InfoWindow::FitAndCentre() {
    const QScreen* screen = viewer_ && viewer_->screen() ? viewer_->screen() : this->screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QSize wanted = scroller_->widget()->sizeHint();
    if (wanted.height() > area.height() * 9 / 10)
        wanted.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize size = wanted.boundedTo(area.size() * 9 / 10);
    resize(size);
    const QRect owner = viewer_ ? viewer_->frameGeometry() : area;
    QRect placed(QPoint(), size);
    placed.moveCenter(owner.center());
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() - size.width() + 1));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() - size.height() + 1));
    move(placed.topLeft());
}

} // namespace zv
