#pragma once
// The program run for a window test: stored settings in a private home, the
// viewer started on a picture as from the command line, and scripted answers
// to its questions.

#include "app/ui/Application.h"
#include "platform/ScriptedDialogs.h"
#include "platform/linux/FileSettingsStore.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/WebForm.h"

#include "TestHome.h"

#include <QTest>

#include <memory>

namespace zvtest {

class ViewerSession {
public:
    zv::ScriptedDialogs dialogs;
    TestHome home;

    // Stores the settings (and an explorer record, so both count as set up),
    // starts the program on the picture and waits for its deferred open.
    zv::TWebForm& StartOn(const std::string& picture, const zv::ViewerSettings& settings) {
        zv::FileSettingsStore store(home.ConfigFolder());
        const auto record = zv::SerializeViewerSettings(settings);
        store.WriteBinary("VControls6014", zv::Bytes(record.begin(), record.end()));
        store.WriteBinary("EControls6014", zv::Bytes(84, 0));
        return Start({picture});
    }

    // A new user's first start: no settings stored; an empty picture starts
    // without a file.
    zv::TWebForm& StartFirstTime(const std::string& picture = {}) {
        return Start(picture.empty() ? std::vector<std::string>{} : std::vector{picture});
    }

    zv::TWebForm& Start(const std::vector<std::string>& arguments) {
        const std::string picture = arguments.empty() ? std::string("Untitled") : arguments[0];
        program_ = std::make_unique<zv::Application>(home.Environment(), arguments);
        program_->UseDialogs(dialogs);
        program_->Start();
        zv::TWebForm& viewer = program_->Viewer();
        viewer.activateWindow();
        if (!QTest::qWaitForWindowActive(&viewer)) qWarning("the viewer did not become active");
        // Tests compare the path themselves; the wait only gives the open its time.
        if (!QTest::qWaitFor([&] { return viewer.CurrentPath() == picture; }, 3000))
            qWarning("the start picture did not open");
        return viewer;
    }

    zv::Application& Program() { return *program_; }

    ~ViewerSession() {
        if (program_) program_->Viewer().close();
    }

private:
    std::unique_ptr<zv::Application> program_;
};

} // namespace zvtest
