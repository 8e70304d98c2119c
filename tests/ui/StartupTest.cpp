// The life of the program: which window the user sees, closing, and what
// the run leaves in the settings store.

#include "viewer/ViewerSettings.h"
#include "app/ui/Application.h"
#include "explorer/ui/FileForm.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"
#include "platform/linux/FileSettingsStore.h"
#include "viewer/ui/WebForm.h"

#include "TestHome.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace zv;

class StartupTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::TestHome> home_;

    EnvironmentReader Environment() const { return home_->Environment(); }
    std::filesystem::path Home() const { return home_->Path(); }
    std::filesystem::path ConfigFolder() const { return home_->ConfigFolder(); }

    std::string SamplePicture() {
        Bitmap picture;
        picture.Create(40, 30, PixelFormat::Bits24);
        const auto path = Home() / "my pictures/a sample.bmp";
        std::filesystem::create_directories(path.parent_path());
        WriteBitmapFile(path, picture);
        return path.string();
    }

    void StoreBothRecords() {
        FileSettingsStore store(ConfigFolder());
        const auto record = SerializeViewerSettings(DefaultViewerSettings(24));
        store.WriteBinary("VControls6014", Bytes(record.begin(), record.end()));
        store.WriteBinary("EControls6014", Bytes(84, 0));
    }

    std::filesystem::file_time_type RecordTime() {
        return std::filesystem::last_write_time(ConfigFolder() / "VControls6014");
    }

    static void WaitForIdle() {
        for (int i = 0; i < 20; ++i) QTest::qWait(25);
    }

private slots:
    void init() { home_ = std::make_unique<zvtest::TestHome>(); }

    void aFirstRunShowsBothWindowsAndStoresTheRecord() {
        {
            Application program(Environment(), {});
            ScriptedDialogs dialogs;
            program.UseDialogs(dialogs);
            program.Start();
            WaitForIdle();
            QCOMPARE(program.Viewer().windowTitle(), QStringLiteral("Untitled - Zelvan 7.04"));
            QVERIFY(program.Explorer().isVisible());
            QVERIFY(program.Viewer().isVisible());
            QVERIFY(!program.Settings().settings.autoSize);
            program.Explorer().hide();
            QVERIFY(program.Viewer().close());
        }
        QCOMPARE(std::filesystem::file_size(ConfigFolder() / "VControls6014"), 148u);
    }

    void aStartWithoutAFileShowsOnlyTheExplorerAndRewritesNothing() {
        StoreBothRecords();
        const auto before = RecordTime();
        {
            Application program(Environment(), {});
            ScriptedDialogs dialogs;
            program.UseDialogs(dialogs);
            program.Start();
            WaitForIdle();
            QVERIFY(program.Explorer().isVisible());
            QVERIFY(!program.Viewer().isVisible());
            program.Explorer().hide();
            QVERIFY(program.Viewer().close());
        }
        QCOMPARE(RecordTime(), before);
    }

    void closingTheViewerBesideTheExplorerHidesOnlyTheViewer() {
        StoreBothRecords();
        Application program(Environment(), {SamplePicture()});
        ScriptedDialogs dialogs;
        program.UseDialogs(dialogs);
        program.Start();
        WaitForIdle();
        program.Explorer().show();
        QVERIFY(program.Viewer().isVisible());
        QVERIFY(!program.Viewer().close());
        QVERIFY(!program.Viewer().isVisible());
        QVERIFY(program.Explorer().isVisible());
        QVERIFY(dialogs.boxes.empty());
        program.Explorer().hide();
        QVERIFY(program.Viewer().close());
    }

    void aPictureGivenInPiecesOpensAndTheRecordIsStored() {
        StoreBothRecords();
        const std::string picture = SamplePicture();
        const auto cut = picture.find(' ');
        {
            Application program(Environment(), {picture.substr(0, cut), picture.substr(cut + 1)});
            ScriptedDialogs dialogs;
            program.UseDialogs(dialogs);
            program.Start();
            QTest::qWait(600); // the start-up open waits a third of a second
            QCOMPARE(program.Plan().startFile, picture);
            QCOMPARE(program.Viewer().CurrentPath(), picture);
            QCOMPARE(program.Imaging().descriptor.ImageWidth, 40);
            QVERIFY(dialogs.boxes.empty());
            QCOMPARE(program.History().Count(), 1);
            QCOMPARE(program.History().Current(), picture);
            emit program.Viewer().memoryWanted();
            QVERIFY(dialogs.LastText().ends_with("\n\nViewer bookmarks: 1 items"));
            program.Settings().settings.delayMs = 5000;
            QVERIFY(program.Viewer().close());
        }
        FileSettingsStore store(ConfigFolder());
        const auto record = store.ReadBinary("VControls6014");
        QVERIFY(record.has_value());
        QCOMPARE(record->size(), 148u);
        QCOMPARE(ParseViewerSettings(*record)->delayMs, 500);
    }

    void theMemoryCommandReportsFromEitherWindow() {
        StoreBothRecords();
        Application program(Environment(), {});
        ScriptedDialogs dialogs;
        program.UseDialogs(dialogs);
        program.Start();
        WaitForIdle();
        program.Imaging().DuplicateBitmap.Create(8, 8, PixelFormat::Bits24);
        emit program.Viewer().memoryWanted();
        QCOMPARE(dialogs.boxes.size(), size_t{1});
        const std::string fromViewer = dialogs.LastText();
        QVERIFY(fromViewer.starts_with("Memory Utilization: "));
        QVERIFY(fromViewer.ends_with("\n\nViewer bookmarks: 0 items"));
        QVERIFY(program.Imaging().DuplicateBitmap.Empty());
        QVERIFY(program.Imaging().memoryCleared);
        emit program.Explorer().memoryWanted();
        QVERIFY(dialogs.LastText().find("Viewer bookmarks") == std::string::npos);
        program.Explorer().hide();
        QVERIFY(program.Viewer().close());
    }

    void aSecondInstanceBesideAPlayingScriptEndsAtOnce() {
        const QString zelvan = qEnvironmentVariable("ZV_ZELVAN");
        if (zelvan.isEmpty()) QSKIP("ZV_ZELVAN names the program under test");
        FlockInstanceLock held(FlockInstanceLock::DefaultAvlLockPath(Environment()));
        QVERIFY(held.Acquire());

        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : home_->Variables())
            env.insert(QString::fromStdString(name), QString::fromStdString(value));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        second.start(zelvan, {});
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(second.exitCode() != 0);
        QVERIFY(second.readAllStandardError().contains("AVL running"));
        QVERIFY(!std::filesystem::exists(ConfigFolder() / "VControls6014"));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
