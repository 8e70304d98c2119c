// The Zelvan picture viewer: the process start.

#include "app/ui/Application.h"

#include <QApplication>

#include <cstdlib>
#include <exception>
#include <iostream>

namespace {

class ZelvanApplication : public QApplication {
public:
    using QApplication::QApplication;
    zv::Application* program = nullptr;

    // Errors that escape an event handler reach the program-wide handler
    // instead of ending the process.
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            if (program) program->UnexpectedError(error.what());
        } catch (...) {
            if (program) program->UnexpectedError("Unknown error");
        }
        return false;
    }
};

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!HasDisplay()) {
        std::cerr << "zelvan: no display to open windows on (neither DISPLAY nor WAYLAND_DISPLAY "
                     "is set).\nRun it inside a desktop session, or without one under a virtual "
                     "display:\n  xvfb-run make run\n";
        return 1;
    }
    ZelvanApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvan"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    zv::Application program(zv::ProcessEnvironment(), arguments);
    if (!program.MayStart()) {
        std::cerr << "zelvan: another Zelvan is playing a slideshow script (\"AVL running\"); "
                     "not starting.\n";
        return 3;
    }
    qtApplication.program = &program;
    program.Start();
    return qtApplication.exec();
}
