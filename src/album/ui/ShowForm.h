#pragma once
// TShowForm: the slide album window. A virtual list of the album's slides
// (details or thumbnails), its menus, tool bar, status bar and properties
// box; every command runs in the album editor (album/AlbumEditor.h). Slide
// thumbnails are made one per idle step while the window is idle. Closing
// only hides the window.

#include "album/AlbumEditor.h"
#include "album/SlideThumbs.h"
#include "platform/SettingsStore.h"

#include <QMainWindow>

#include <filesystem>
#include <memory>

class QAbstractItemView;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QTimer;
class QToolBar;
class QTreeView;

namespace zv {

class ActionMenus;
class AlbumProgress;
class ShowFormModel;

struct ShowFormServices {
    AlbumHost host;
    std::filesystem::path cacheRoot; // the thumbnail cache; empty: no thumbnails
    SlideThumbSettings thumbs;
    SettingsStore* settings = nullptr; // where the window's layout is kept
};

class TShowForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TShowForm(ShowFormServices services, QWidget* parent = nullptr);
    ~TShowForm() override;

    AlbumEditor& Editor() { return *editor_; }
    // Runs a menu command as the menus do, with the view's selection.
    void RunCommand(int command, int argument = 0, bool shift = false);
    // Shows the window and brings it to the front.
    void ShowWindow();
    // Opens an album file (the explorer's ".AVL" files) and shows the window.
    bool OpenAlbum(const std::string& path);
    // The view in use, for tests.
    QTreeView* DetailsView() const { return details_; }
    QListView* ThumbnailView() const { return thumbnails_; }
    QString StatusText() const;
    // One idle step of thumbnailing; false when nothing was left to do.
    bool ThumbStep();

signals:
    // "&Tile"; fromCorner: Shift or Ctrl was held.
    void tileWanted(bool fromCorner);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildViews();
    void BuildMenus();
    void BuildToolBar();
    void PullSelection();
    void PushSelection();
    void Refresh();
    void ShowProperties();
    void ApplyColumns();
    void ApplyViewState();
    void ShowPopup(const QPoint& global);
    void StartThumbs();
    void MakePlaceholders();
    void RestoreControls();
    void CheckThumbs();
    QPixmap ThumbOf(int position);
    bool Shift() const;
    // Dragging selected slides inside the list relocates them.
    bool DragPress(QAbstractItemView* view, const QPoint& at);
    void DragMove(const QPoint& at);
    void DragRelease(const QPoint& at);
    void EndDrag();
    void RelocateByDrag(int target);
    void AutoScroll();

    ShowFormServices services_;
    std::unique_ptr<AlbumEditor> editor_;
    ShowFormModel* model_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QTreeView* details_ = nullptr;
    QListView* thumbnails_ = nullptr;
    QLabel* properties_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* thumbStatus_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    ActionMenus* menus_ = nullptr;
    QMenu* commandsMenu_ = nullptr;
    QMenu* propertiesMenu_ = nullptr;
    std::vector<std::pair<QAction*, MenuItem>> toolActions_;
    QTimer* idle_ = nullptr;
    AlbumProgress* progress_ = nullptr;
    std::filesystem::path variantFolder_;
    int thumbCursor_ = 0;
    bool syncing_ = false;
    QAbstractItemView* dragView_ = nullptr;
    QPoint dragStart_;
    QPoint dragAt_;
    bool dragging_ = false;
    QTimer* autoScroll_ = nullptr;
};

} // namespace zv
