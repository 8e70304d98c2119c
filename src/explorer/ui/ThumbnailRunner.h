#pragma once
// The explorer's thumbnail view at work: prepares the cache folders of each
// listing, runs the thumbnail pass a row at a time whenever the window is
// idle, hands the painter each row's thumbnail (correcting row states as the
// files are found or found missing), and runs the cache commands.

#include "explorer/ExplorerSettings.h"
#include "explorer/FileList.h"
#include "explorer/ThumbPass.h"

#include <QCache>
#include <QIcon>
#include <QObject>
#include <QPixmap>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace zv {

class ThumbnailRunner : public QObject {
    Q_OBJECT
public:
    struct Inputs {
        RecordStore& store;
        ViewOrder& order;
        const std::string& folder; // the CurrentFolder, ending in "/"
        ExplorerSettings& settings;
        std::filesystem::path cacheRoot;
        int screenBits = 24;
        std::function<QIcon(const FileRecord&)> iconOf; // a row's icon
        std::function<bool()> busy;                     // a listing or sort is under way
    };
    explicit ThumbnailRunner(Inputs inputs, QObject* parent = nullptr);
    ~ThumbnailRunner() override;

    ThumbBox Box() const;
    ThumbPassSettings PassSettings() const;
    // Works out and creates the cache folders of the current folder; a new
    // listing also makes the next Resume start a pass again.
    void PrepareCache(bool newListing);
    const ThumbPassFolder& Folder() const { return folder_; }

    // Entering the thumbnail view: the generic thumbnails, then the pass.
    void Start();
    // Starts a pass unless the last one completed for this listing.
    void Resume();
    // Stops a running pass; true when one was running.
    bool Stop();
    bool Running() const { return pass_->Running(); }

    // The thumbnail a row shows now, or a null pixmap (nothing to draw yet).
    QPixmap RowPixmap(int row);
    // The thumbnail file a row shows: its own, its extension's or, for a
    // folder, the generic folder thumbnail.
    std::filesystem::path RowThumbFile(int row) const;
    // Forgets the pictures read from the cache (they were deleted or remade).
    void ForgetPixmaps() { pixmaps_.clear(); }

    // The icon thumbnail of an icon, as the pass and the generic thumbnails draw it.
    Bitmap IconThumbnail(const QIcon& icon) const;
    // Single-row production, for the page generators.
    bool MakeRowNow(int row);

signals:
    void rowChanged(int row);
    void progress(int percent);
    void finished();

private:
    void IdleStep();
    void MakeGenericThumbs();
    QPixmap Load(const std::filesystem::path& path);

    Inputs inputs_;
    std::unique_ptr<ThumbnailPass> pass_;
    ThumbPassFolder folder_;
    QTimer* idle_ = nullptr;
    int lastPercent_ = -1;
    QCache<QString, QPixmap> pixmaps_;
};

} // namespace zv
