// The corvane program: the controller on the X11 backend, with its tray icon
// and control panel, on Qt's loop until "Quit Corvane", a signal or the loss
// of the X server ends it.
#include <QApplication>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "corvane/app/corvane_app.h"
#include "corvane/app/desktop_doctor.h"
#include "corvane/command_line/autostart.h"
#include "corvane/command_line/command_line.h"
#include "corvane/command_line/runtime_folder.h"
#include "corvane/command_line/single_instance.h"
#include "corvane/shell/show_panel_server.h"
#include "corvane/shell/signal_watch.h"
#include "platform/x11/wire/display_identity.h"
#include "platform/x11/x11_backend.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

/// Qt's word that the X server went away becomes the program's one message.
bool reportedLostConnection(const QString& message) {
    if (!message.contains(QStringLiteral("connection broke"))) return false;
    corvane::CorvaneApp::reportLostConnection();
    // Qt exits right after saying so, past every destructor: save while we can.
    auto* application = QCoreApplication::instance();
    auto* app = application != nullptr
                    ? application->findChild<corvane::CorvaneApp*>(QString(), Qt::FindDirectChildrenOnly)
                    : nullptr;
    if (app != nullptr) app->saveSettings();
    return true;
}

void printQtMessage(const QString& message) {
    std::fprintf(stderr, "corvane: qt: %s\n", message.toLocal8Bit().constData());
}

/// Qt's own chatter (a missing D-Bus session, an unset XDG_RUNTIME_DIR) helps
/// nobody at the terminal while all is well: only its errors are shown.
void quietQtMessage(QtMsgType type, const QMessageLogContext& /*context*/, const QString& message) {
    if (reportedLostConnection(message)) return;
    if (type == QtFatalMsg || type == QtCriticalMsg) printQtMessage(message);
}

/// With --verbose, everything Qt says.
void verboseQtMessage(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& message) {
    if (!reportedLostConnection(message)) printQtMessage(message);
}

/// The panel is an X window like the rest of the program, also where Qt would
/// pick Wayland (it does whenever WAYLAND_DISPLAY is set and qt6-wayland is
/// installed): a Wayland window holding the focus keeps every X key grab
/// from firing, and cannot be placed next to the tray icon.
void useXForThePanel() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0') {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        return;
    }
    const std::string platform = chosen;
    if (platform == "xcb" || platform.starts_with("xcb:")) return;
    std::fprintf(stderr,
                 "corvane: QT_QPA_PLATFORM=%s: the panel is then no X window: while it has the keyboard "
                 "the switch and jump keys do not work, and it opens where the desktop puts it\n",
                 platform.c_str());
}

std::string displayName(const std::string& display) {
    if (!display.empty()) return display;
    const char* variable = std::getenv("DISPLAY");
    return variable != nullptr ? variable : "";
}

std::string quotedDisplay(const std::string& display) {
    if (display.empty()) return "(DISPLAY is not set)";
    // Quoted with appends: GCC 12 warns wrongly (-Wrestrict) about a chain of operator+.
    std::string quoted = "'";
    quoted.append(display).append("'");
    return quoted;
}

/// Where the lock and socket live, said when that is not the usual place; nullopt when nowhere.
std::optional<std::filesystem::path> instanceFolder(const std::string& display) {
    const auto folder = corvane::app::runtimeFolder();
    if (folder.path.empty()) {
        std::fprintf(stderr, "corvane: cannot make sure that Corvane runs only once on display %s: %s\n",
                     display.c_str(), folder.note.c_str());
        return std::nullopt;
    }
    if (!folder.note.empty()) {
        std::fprintf(stderr, "corvane: %s: using %s\n", folder.note.c_str(), folder.path.c_str());
    }
    return folder.path;
}

/// The exit status when another Corvane runs or none can be sure; nullopt when this start goes on.
std::optional<int> exitUnlessFirst(corvane::app::SingleInstance& instance, const std::string& display) {
    using Claim = corvane::app::SingleInstance::Claim;
    switch (instance.claim()) {
        case Claim::otherRuns:
            std::fprintf(stderr, "corvane: Corvane already runs on display %s: its panel is shown\n",
                         display.c_str());
            return 0;
        case Claim::otherBusy:
            std::fprintf(stderr,
                         "corvane: Corvane already runs on display %s but did not answer: try again in a "
                         "moment\n",
                         display.c_str());
            return kExitFailure;
        case Claim::failed:
            std::fprintf(stderr, "corvane: cannot make sure that Corvane runs only once on display %s: %s\n",
                         display.c_str(), instance.problem().c_str());
            return kExitFailure;
        case Claim::first:
            break;
    }
    return std::nullopt;
}

int run(const corvane::app::RunOptions& options, std::vector<std::string> arguments) {
    const std::string display = displayName(options.display);
    // Every spelling of one server is one instance, settled before connecting to anything.
    const auto identity = corvane::x11::displayIdentity(display);
    if (!identity) {
        std::fprintf(stderr, "corvane: cannot open the X display %s\n", quotedDisplay(display).c_str());
        return kExitFailure;
    }
    const auto folder = instanceFolder(display);
    if (!folder) return kExitFailure;
    corvane::app::SingleInstance instance(*folder, *identity);
    if (const auto status = exitUnlessFirst(instance, display)) return *status;

    // Opened before Qt, which aborts where no display can be reached. SIGINT and
    // SIGTERM still end the program the plain way while a server does not answer.
    auto backend = corvane::x11::X11Backend::open(options.display, std::move(arguments));
    if (!backend) {
        std::fprintf(stderr, "corvane: cannot open the X display %s\n", quotedDisplay(display).c_str());
        return kExitFailure;
    }
    // Before any thread exists: Qt's threads inherit the mask.
    corvane::SignalWatch::blockEndingSignals();
    // Qt's windows go to the display the backend works on.
    setenv("DISPLAY", display.c_str(), 1);
    useXForThePanel();
    qInstallMessageHandler(options.verbose ? verboseQtMessage : quietQtMessage);

    int qtArgc = 1;
    char programName[] = "corvane";
    char* qtArgv[] = {programName, nullptr};
    const QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("corvane"));
    QApplication::setQuitOnLastWindowClosed(false);

    corvane::ShowPanelServer server(instance.takeListener());
    corvane::CorvaneApp app(std::move(backend), options);
    // A child of the application so that Qt's exit on a broken connection can find it.
    app.setParent(QCoreApplication::instance());
    QObject::connect(&server, &corvane::ShowPanelServer::showRequested, &app,
                     &corvane::CorvaneApp::showPanel);
    QApplication::exec();
    return app.exitStatus();
}

int setAutostart(bool on) {
    std::error_code error;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) executable = "corvane";
    const auto outcome = corvane::app::setAutostart(on, corvane::app::autostartEntryPath(), executable);
    std::fprintf(outcome.ok ? stdout : stderr, "corvane: %s\n", outcome.message.c_str());
    return outcome.ok ? 0 : kExitFailure;
}

int start(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    const auto commandLine = corvane::app::parseCommandLine(arguments);
    if (const auto* error = std::get_if<corvane::app::UsageError>(&commandLine)) {
        std::fprintf(stderr, "corvane: %s\nTry 'corvane --help' for more information.\n",
                     error->message.c_str());
        return kExitUsage;
    }
    if (std::holds_alternative<corvane::app::ShowHelp>(commandLine)) {
        std::fputs(corvane::app::usage(), stdout);
        return 0;
    }
    if (std::holds_alternative<corvane::app::ShowVersion>(commandLine)) {
        std::printf("corvane %s\n", CORVANE_VERSION);
        return 0;
    }
    if (const auto* autostart = std::get_if<corvane::app::SetAutostart>(&commandLine)) {
        return setAutostart(autostart->on);
    }
    const auto& options = std::get<corvane::app::RunOptions>(commandLine);
    for (const auto& note : options.notes) std::fprintf(stderr, "corvane: %s\n", note.c_str());
    if (options.check) return corvane::app::runDesktopCheck(options, std::move(arguments));
    return run(options, std::move(arguments));
}

}  // namespace

int main(int argc, char** argv) {
    // Out of memory, or a library's failure no step expected: one line, not an abort's core dump.
    try {
        return start(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane: %s\n", error.what());
        return kExitFailure;
    }
}
