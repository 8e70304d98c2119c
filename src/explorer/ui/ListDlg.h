#pragma once
// The list chooser's window: a label, a virtual list over the chooser's rows,
// and a bar with "Cl&ear", "&Ok", "Cancel", "&Help" and the row count. The
// logic is ListChooser's; this only shows it and passes the clicks on.

#include "catalog/ListChooser.h"

#include <QDialog>

class QLabel;
class QListView;
class QPushButton;
class QWidget;

namespace zv {

class ChooserRowsModel;

class TListDlg : public QDialog {
    Q_OBJECT
public:
    TListDlg(const ChooserRequest& request, ChooserChecks checks, QWidget* parent = nullptr);
    ~TListDlg() override;

    ListChooser& Chooser() { return chooser_; }
    QListView* VChoices() const { return list_; }

    void btnClearClick();
    void btnOKClick();
    void mnuListDeleteClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormActivate();
    void UpdateStatus();
    void Refresh();
    void ShowSelection();
    void TakeSelection();

    ListChooser chooser_;
    ChooserRowsModel* rows_ = nullptr;
    QLabel* label_ = nullptr;
    QListView* list_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLabel* status_ = nullptr;
};

// Shows the chooser modally for the request; -1 when it was closed without
// "&Ok", else the result, with the request's list or flags replaced.
int ChooseFromList(QWidget* parent, ChooserRequest& request,
                   ChooserChecks checks = ChooserChecks::Disk());

} // namespace zv
