// The list chooser's window: its layout, the virtual list over the rows, the
// Delete key and the buttons handing on to the chooser.

#include "explorer/ui/ListDlg.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>

using namespace zv;

namespace {

ChooserChecks AllExist() {
    auto yes = [](const std::string&) { return true; };
    return {yes, yes};
}

QPushButton* Button(TListDlg& dialog, const char* caption) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QString::fromUtf8(caption)) return button;
    return nullptr;
}

QString Status(TListDlg& dialog) {
    return dialog.findChildren<QLabel*>().back()->text();
}

} // namespace

class ListDlgTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndSortAllInTheBookmarks() {
        ChooserRequest request;
        request.mode = 410;
        request.caption = "Bookmarked Files";
        request.list = {"/p/b.jpg", "/p/A.jpg", "/p/a.jpg", "/p/a.jpg"};
        request.preselect = "/p/b.jpg";
        TListDlg dialog(request, AllExist());
        dialog.show();
        QCOMPARE(dialog.size(), QSize(400, 400));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Bookmarked Files"));
        QCOMPARE(dialog.findChildren<QLabel*>().front()->text(),
                 QStringLiteral("Select item or press DELETE to remove selected item."));
        QCOMPARE(Status(dialog), QStringLiteral("4 item(s)"));
        QPushButton* sort = Button(dialog, "&Sort all");
        QVERIFY(sort);
        QVERIFY(Button(dialog, "&Ok")->isDefault());
        // Four button panels of a sixth of the bar each, the count a third.
        QVERIFY(qAbs(sort->width() * 2 - dialog.findChildren<QLabel*>().back()->width()) < 12);

        QTest::mouseClick(sort, Qt::LeftButton);
        QCOMPARE(Status(dialog), QStringLiteral("3 item(s)"));
        QListView* list = dialog.VChoices();
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("/p/A.jpg"));
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list->selectionModel()->selectedRows().front().row(), 2); // "/p/b.jpg" again

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(Status(dialog), QStringLiteral("2 item(s)"));
        QTest::mouseClick(Button(dialog, "&Ok"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Chooser().Accept(request), 0);
        QCOMPARE(request.list, (std::vector<std::string>{"/p/A.jpg", "/p/a.jpg"}));
    }

    void nothingEligibleLeavesOnlyCancel() {
        ChooserRequest request;
        request.mode = 3;
        request.list = {"x.wmf", "y.avi"};
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TListDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->findChildren<QLabel*>().front()->text(),
                     QStringLiteral("No bookmarked files were eligible for compression."));
            QVERIFY(!Button(*dialog, "&Ok")->isEnabled());
            QVERIFY(!Button(*dialog, "Cl&ear")->isEnabled());
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(ChooseFromList(nullptr, request, AllExist()), -1);
        QCOMPARE(request.list.size(), std::size_t(2)); // untouched
    }

    void aMillionRowsOpenAtOnce() {
        ChooserRequest request;
        request.mode = 200;
        request.list.resize(1 << 20);
        for (std::size_t i = 0; i < request.list.size(); ++i)
            request.list[i] = "/p/" + std::to_string(i) + ".jpg";
        const auto start = std::chrono::steady_clock::now();
        TListDlg dialog(request, AllExist());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto took = std::chrono::steady_clock::now() - start;
        qInfo("opened on %zu rows in %lld ms", request.list.size(),
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
        QCOMPARE(Status(dialog), QStringLiteral("1048576 item(s)"));
        QCOMPARE(dialog.VChoices()->selectionModel()->selection().size(), 1); // one run
    }
};

QTEST_MAIN(ListDlgTest)
#include "ListDlgTest.moc"
