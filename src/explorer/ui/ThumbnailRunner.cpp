#include "explorer/ui/ThumbnailRunner.h"

#include "catalog/ThumbPicture.h"
#include "explorer/RowThumbs.h"
#include "imaging/ui/BitmapImage.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <thread>

namespace zv {

namespace {

// Decoding threads: the machine's cores, at most four (the disk is the limit beyond).
int DecodingThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

// How long the pass waits before asking again for a picture still being decoded.
constexpr int kWaitingRetryMs = 4;
// Thumbnails kept in memory for painting.
constexpr int kPixmapCacheSize = 3000;

QColor BackgroundColour(std::uint32_t thumbColour) {
    const PaletteEntry colour = ThumbBackground(thumbColour);
    return QColor(colour.red, colour.green, colour.blue);
}

} // namespace

ThumbnailRunner::ThumbnailRunner(Inputs inputs, QObject* parent)
    : QObject(parent), inputs_(std::move(inputs)), pixmaps_(kPixmapCacheSize) {
    pass_ = std::make_unique<ThumbnailPass>(
        inputs_.store, inputs_.order,
        [this](const FileRecord& record, const std::string&) {
            return IconThumbnail(inputs_.iconOf ? inputs_.iconOf(record) : QIcon());
        },
        DecodingThreads());
    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    idle_->setInterval(0);
    connect(idle_, &QTimer::timeout, this, &ThumbnailRunner::IdleStep);
}

ThumbnailRunner::~ThumbnailRunner() = default;

ThumbBox ThumbnailRunner::Box() const {
    return ThumbBoxFor(inputs_.settings.thumbSizeIndex);
}

ThumbPassSettings ThumbnailRunner::PassSettings() const {
    ThumbPassSettings settings;
    settings.box = Box();
    settings.colour = inputs_.settings.thumbColour;
    settings.screenBits = inputs_.screenBits;
    settings.dither = inputs_.settings.ditherThumbs;
    return settings;
}

void ThumbnailRunner::PrepareCache(bool newListing) {
    if (newListing) pass_->Forget();
    folder_ = ThumbPassFolder{};
    folder_.folder = inputs_.folder;
    if (inputs_.folder.empty() || inputs_.cacheRoot.empty()) return;
    folder_.volume = VolumeString(inputs_.folder);
    const ThumbPassSettings settings = PassSettings();
    try {
        folder_.paths = PrepareCacheFolders(
            inputs_.cacheRoot,
            VariantFolderName(settings.colour, settings.box, settings.screenBits),
            FolderKey(folder_.volume, inputs_.folder));
    } catch (const std::exception&) {
        // A cache that cannot be made leaves the rows without thumbnails.
        folder_.paths = CachePaths{};
    }
}

Bitmap ThumbnailRunner::IconThumbnail(const QIcon& icon) const {
    const ThumbBox box = Box();
    QImage image(box.ThumbWidth, box.ThumbHeight, QImage::Format_RGB32);
    image.fill(BackgroundColour(inputs_.settings.thumbColour));
    const int side = std::max(1, std::min(box.ThumbWidth, box.ThumbHeight) - 2);
    if (!icon.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRect square((box.ThumbWidth - side) / 2, (box.ThumbHeight - side) / 2, side, side);
        painter.drawPixmap(square, icon.pixmap(side, side));
    }
    Bitmap bitmap;
    BitmapOfImage(image, bitmap);
    return bitmap;
}

void ThumbnailRunner::MakeGenericThumbs() {
    if (folder_.paths.variantFolder.empty()) return;
    QStyle* style = QApplication::style();
    const QIcon programIcon = QApplication::windowIcon().isNull()
                                  ? style->standardIcon(QStyle::SP_ComputerIcon)
                                  : QApplication::windowIcon();
    const std::pair<int, QIcon> generics[] = {
        {kGenericFolderThumb, style->standardIcon(QStyle::SP_DirClosedIcon)},
        {kGenericFileThumb, style->standardIcon(QStyle::SP_FileIcon)},
        {kGenericTooLargeThumb, programIcon},
        {kGenericFailedThumb, style->standardIcon(QStyle::SP_MessageBoxWarning)},
    };
    const ThumbPassSettings settings = PassSettings();
    for (const auto& [number, icon] : generics) {
        const std::filesystem::path path = folder_.paths.variantFolder / GenericThumbName(number);
        if (ThumbPresent(path)) continue;
        try {
            SaveThumbnail(path, ThumbAtDisplayDepth(IconThumbnail(icon), settings.screenBits,
                                                    settings.dither));
        } catch (const std::exception&) {
        }
    }
}

void ThumbnailRunner::Start() {
    if (pass_->Running() || inputs_.order.empty()) return;
    if (folder_.folder != inputs_.folder || folder_.paths.folderCacheFolder.empty())
        PrepareCache(false);
    if (folder_.paths.folderCacheFolder.empty()) return;
    MakeGenericThumbs();
    pass_->Start(folder_, PassSettings());
    lastPercent_ = -1;
    idle_->start(0);
}

void ThumbnailRunner::Resume() {
    if (pass_->Complete()) return;
    Start();
}

bool ThumbnailRunner::Stop() {
    idle_->stop();
    return pass_->Stop();
}

void ThumbnailRunner::IdleStep() {
    if (inputs_.busy && inputs_.busy()) {
        idle_->start(kWaitingRetryMs);
        return;
    }
    const ThumbnailPass::StepOutcome outcome = pass_->Step();
    switch (outcome.kind) {
    case ThumbnailPass::StepKind::Idle: return;
    case ThumbnailPass::StepKind::Waiting: idle_->start(kWaitingRetryMs); return;
    case ThumbnailPass::StepKind::Changed: emit rowChanged(outcome.row); break;
    case ThumbnailPass::StepKind::Skipped: break;
    case ThumbnailPass::StepKind::Finished:
        emit rowChanged(outcome.row);
        emit finished();
        return;
    }
    const int percent = pass_->Percent();
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (pass_->CurrentRow() > 0) emit progress(percent);
    }
    idle_->start(0);
}

std::filesystem::path ThumbnailRunner::RowThumbFile(int row) const {
    const FileRecord* record = RowRecord(inputs_.store, inputs_.order, row);
    if (!record || folder_.paths.variantFolder.empty()) return {};
    return RowThumbPath(folder_.paths, folder_.volume, folder_.folder, *record);
}

QPixmap ThumbnailRunner::Load(const std::filesystem::path& path) {
    const QString key = QString::fromStdString(path.string());
    if (QPixmap* cached = pixmaps_.object(key)) return *cached;
    QImage image;
    if (!image.load(key, "BMP")) return {};
    auto* pixmap = new QPixmap(QPixmap::fromImage(std::move(image)));
    const QPixmap result = *pixmap;
    pixmaps_.insert(key, pixmap);
    return result;
}

QPixmap ThumbnailRunner::RowPixmap(int row) {
    if (inputs_.busy && inputs_.busy()) return {};
    FileRecord* record = RowRecord(inputs_.store, inputs_.order, row);
    if (!record || folder_.folder != inputs_.folder) return {};
    std::filesystem::path path = RowThumbFile(row);
    if (path.empty()) return {};
    if (!ThumbPresent(path)) {
        switch (record->ThumbState) {
        case kThumbFolder:
            path = folder_.paths.variantFolder / GenericThumbName(kGenericFolderThumb);
            break;
        case kThumbTooLarge:
            path = folder_.paths.variantFolder / GenericThumbName(kGenericTooLargeThumb);
            break;
        case kThumbFailed:
            path = folder_.paths.variantFolder / GenericThumbName(kGenericFailedThumb);
            break;
        default:
            // Made once but gone since: the next pass makes it again.
            record->ThumbState = kThumbPending;
            pixmaps_.remove(QString::fromStdString(path.string()));
            return {};
        }
    } else if (record->ThumbState == kThumbPending) {
        record->ThumbState = kThumbMade;
    }
    return Load(path);
}

bool ThumbnailRunner::MakeRowNow(int row) {
    if (folder_.folder != inputs_.folder || folder_.paths.folderCacheFolder.empty())
        PrepareCache(false);
    if (folder_.paths.folderCacheFolder.empty()) return false;
    return pass_->MakeRowNow(row, folder_, PassSettings());
}

} // namespace zv
