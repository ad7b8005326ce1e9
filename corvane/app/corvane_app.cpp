#include "corvane/app/corvane_app.h"

#include <QApplication>

#include <atomic>
#include <cstdio>
#include <string>

#include "corvane/app/portal_shortcuts.h"
#include "corvane/app/x11_loop_driver.h"
#include "corvane/controller/controller.h"
#include "corvane/panel/control_panel.h"
#include "corvane/shell/crisp_icon.h"
#include "corvane/shell/status_reporter.h"
#include "corvane/shell/tray_popup.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_texts.h"

namespace corvane {

namespace {

constexpr int kExitConnectionLost = 1;

void printLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

CorvaneApp::CorvaneApp(std::unique_ptr<x11::X11Backend> backend, const app::RunOptions& options)
    : backend_(std::move(backend)),
      // Writes wait for a quiet moment on the loop; the store's destructor writes what is left.
      store_(std::make_unique<platform::JsonDefaultsStore>(platform::JsonDefaultsStore::defaultPath(),
                                                           backend_->loop())) {
    printLine(store_->path().empty() ? "corvane: settings: none kept, no home folder is known"
                                     : "corvane: settings: " + store_->path().string());
    controller_ = Controller::create(backend_->platform(*store_));
    reporter_ = std::make_unique<StatusReporter>(controller_, x11::platformTexts(), backend_->loop(),
                                                 options.verbose, printLine);
    driver_ = std::make_unique<X11LoopDriver>(backend_->loop(), backend_->connection().fileDescriptor());
    connect(driver_.get(), &X11LoopDriver::connectionLost, this, &CorvaneApp::endWithLostConnection);
    connect(&signals_, &SignalWatch::received, qApp, &QCoreApplication::quit);

    panel_ =
        std::make_unique<ControlPanel>(controller_, x11::platformTexts(), [] { QCoreApplication::quit(); });
    panel_->setWindowTitle(QStringLiteral("Corvane"));
    popup_ = std::make_unique<TrayPopup>(*panel_);
    connect(popup_.get(), &TrayPopup::visibilityChanged, this, &CorvaneApp::panelVisibilityChanged);
    showTrayIcon();
    // Under Wayland an X grab fires only while an X window has the focus; the portal's keys fire anywhere.
    if (backend_->connection().extensions().xwayland)
        portal_ = std::make_unique<PortalShortcuts>(controller_, printLine);
}

CorvaneApp::~CorvaneApp() {
    tray_.reset();
    portal_.reset();
    popup_.reset();
    panel_.reset();
    driver_.reset();
    reporter_.reset();
    controller_.reset();
    store_.reset();
    backend_.reset();
}

void CorvaneApp::showTrayIcon() {
    tray_ = std::make_unique<QSystemTrayIcon>(crispIcon(QStringLiteral(":/corvane/corvane.svg")));
    tray_->setToolTip(QStringLiteral("Corvane"));
    connect(trayMenu_.addAction(QStringLiteral("Show panel")), &QAction::triggered, this,
            &CorvaneApp::showPanel);
    connect(trayMenu_.addAction(QStringLiteral("Quit Corvane")), &QAction::triggered, qApp,
            &QCoreApplication::quit);
    tray_->setContextMenu(&trayMenu_);
    popup_->follow(*tray_);
    // Shown also without a tray: Qt embeds the icon once a tray appears.
    tray_->show();
    if (QSystemTrayIcon::isSystemTrayAvailable()) return;
    printLine(
        "corvane: there is no system tray on this display: the panel opens as a window; "
        "closing it keeps Corvane running, and starting corvane again shows it");
    popup_->openAsWindow();
}

void CorvaneApp::showPanel() {
    if (QSystemTrayIcon::isSystemTrayAvailable() && tray_->geometry().isValid()) {
        popup_->open(tray_->geometry());
    } else {
        popup_->openAsWindow();
    }
}

void CorvaneApp::panelVisibilityChanged(bool visible) {
    std::optional<xcb_window_t> panel;
    if (visible) panel = static_cast<xcb_window_t>(panel_->winId());
    backend_->windows().keepBelow(panel);
}

void CorvaneApp::saveSettings() {
    if (store_) store_->flush();
}

void CorvaneApp::reportLostConnection() {
    static std::atomic_flag reported;
    if (!reported.test_and_set()) printLine("corvane: lost the connection to the X server");
}

void CorvaneApp::endWithLostConnection() {
    reportLostConnection();
    exitStatus_ = kExitConnectionLost;
    QCoreApplication::exit(kExitConnectionLost);
}

}  // namespace corvane
