#pragma once
// TUnZipForm: the "UnZipper" window. A list of zip archives (several may be
// selected), the entries of the archive picked in it, and a status line; its
// menu adds, cuts and recycles archives and extracts them into a folder. The
// commands are the core's (album/UnZipper.h); the window forwards its menu
// items there and shows the result. Closing only hides the window and
// empties its list.

#include "album/UnZipper.h"

#include <QMainWindow>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

class QAction;
class QLabel;
class QListWidget;
class QTableWidget;

namespace zv {

class Dialogs;
class Progress;
class Trash;

// What the window takes from the application.
struct UnZipFormServices {
    UnZipFormServices(Dialogs& dialogs, Trash& trash, std::string& openFolder,
                      std::filesystem::path appHome = {})
        : dialogs(dialogs), trash(trash), openFolder(openFolder), appHome(std::move(appHome)) {}

    Dialogs& dialogs;
    Trash& trash;
    // The folder of the program's open dialog, shared with "&Add".
    std::string& openFolder;
    // The program's home folder, where "ZipErrs_Log.txt" is saved.
    std::filesystem::path appHome;
    // The shared progress window and how to show or hide it; may be empty.
    Progress* progress = nullptr;
    std::function<void(bool shown)> showProgress;
    // The explorer: brought forward after each archive, refreshed at the end.
    std::function<void()> showExplorer;
    std::function<void()> refreshExplorer;
};

// "Zelvan 7.04 UnZipper"
std::string UnZipFormCaption();

class TUnZipForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TUnZipForm(UnZipFormServices services, QWidget* parent = nullptr);
    ~TUnZipForm() override;

    // The viewer's hand-over: lists the archive (once) and updates the status line.
    void Populate(const std::string& path);

    UnZipper& Core() { return core_; }
    const UnZipper& Core() const { return core_; }
    QListWidget* ArchiveList() const { return list_; }
    QTableWidget* Grid() const { return grid_; }
    QString StatusText() const;

    // Replaceable for tests: whether Shift is held, and how the log is opened
    // (by default with the desktop's application for text files).
    std::function<bool()> shiftHeld;
    std::function<bool(const std::filesystem::path&)> openLog;

    // The menu commands.
    void mnuClearClick();
    void mnuAddClick();
    void mnuCutClick();
    void mnuDeleteClick();
    void mnuExtractAllClick();
    void mnuSelectedZipsClick();
    void mnuSingleFileClick();
    void mnuCloseClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ListSelectionChanged();
    void ListCurrentChanged(int row);
    void GridCurrentChanged(int row);
    // Brings the list, grid, status line and menu in line with the core.
    void RefreshList();
    void FillGrid();
    void UpdateStatus();
    void Extracted(ZipCommandEnd end, bool closeWhenFinished);

    UnZipper core_;
    QListWidget* list_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* extractAll_ = nullptr;
    std::string gridArchive_; // the archive whose entries the grid shows
};

} // namespace zv
