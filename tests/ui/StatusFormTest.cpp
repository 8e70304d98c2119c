// The shared progress window: its bars follow the model and Cancel or Esc
// sets the stop flag a long command tests.

#include "app/ui/StatusForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace zv;

class StatusFormTest : public QObject {
    Q_OBJECT
private slots:
    void barsAndTextFollowTheModel() {
        TStatusForm form;
        form.show();
        form.SetText("Reading pictures...");
        form.SetBar(0, 1, 4);
        form.SetBar(1, 3, 3);
        QCOMPARE(form.findChild<QLabel*>()->text(), QStringLiteral("Reading pictures..."));
        const auto bars = form.findChildren<QProgressBar*>();
        QCOMPARE(bars.size(), 2);
        QCOMPARE(bars[0]->value(), 25);
        QCOMPARE(bars[1]->value(), 100);
    }

    void cancelAndEscapeStopTheCommand() {
        TStatusForm form;
        form.show();
        QVERIFY(!form.Stopped());
        QTest::mouseClick(form.findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(form.Stopped());

        TStatusForm second;
        second.show();
        QTest::keyClick(&second, Qt::Key_Escape);
        QVERIFY(second.Stopped());
        QVERIFY(second.isVisible()); // the command closes it when it has stopped
    }
};

QTEST_MAIN(StatusFormTest)
#include "StatusFormTest.moc"
