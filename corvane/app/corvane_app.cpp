#include "corvane/app/corvane_app.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

#include <atomic>
#include <cstdio>
#include <string>

#include "corvane/controller/controller.h"
#include "corvane/panel/control_panel.h"
#include "corvane/app/crisp_icon.h"
#include "corvane/app/popup_placement.h"
#include "corvane/app/status_reporter.h"
#include "corvane/app/x11_loop_driver.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_texts.h"

namespace corvane {

namespace {

constexpr int kExitConnectionLost = 1;
/// A click on the icon that closes the open popup reaches the icon too; it must
/// not open the popup again at once.
constexpr std::chrono::milliseconds kReopenGuard{300};

void printLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

QRect pointerAnchor() {
    return {QCursor::pos(), QSize(1, 1)};
}

}  // namespace

CorvaneApp::CorvaneApp(std::unique_ptr<x11::X11Backend> backend, const app::RunOptions& options)
    : backend_(std::move(backend)),
      // Writes wait for a quiet moment on the loop; the store's destructor writes what is left.
      store_(std::make_unique<platform::JsonDefaultsStore>(platform::JsonDefaultsStore::defaultPath(),
                                                           backend_->loop())) {
    printLine("corvane: settings: " + store_->path().string());
    controller_ = Controller::create(backend_->platform(*store_));
    reporter_ = std::make_unique<StatusReporter>(controller_, x11::platformTexts(), backend_->loop(),
                                                 options.verbose, printLine);
    driver_ = std::make_unique<X11LoopDriver>(backend_->loop(), backend_->connection().fileDescriptor());
    connect(driver_.get(), &X11LoopDriver::connectionLost, this, &CorvaneApp::endWithLostConnection);
    connect(&signals_, &SignalWatch::received, qApp, &QCoreApplication::quit);

    panel_ =
        std::make_unique<ControlPanel>(controller_, x11::platformTexts(), [] { QCoreApplication::quit(); });
    panel_->setWindowTitle(QStringLiteral("Corvane"));
    panel_->installEventFilter(this);
    showTrayIcon();
}

CorvaneApp::~CorvaneApp() {
    tray_.reset();
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
    connect(tray_.get(), &QSystemTrayIcon::activated, this, &CorvaneApp::trayActivated);
    // Shown also without a tray: Qt embeds the icon once a tray appears.
    tray_->show();
    if (QSystemTrayIcon::isSystemTrayAvailable()) return;
    printLine(
        "corvane: there is no system tray on this display: the panel opens as a window; "
        "closing it keeps Corvane running, and starting corvane again shows it");
    showWindow();
}

void CorvaneApp::showPanel() {
    if (QSystemTrayIcon::isSystemTrayAvailable() && tray_->geometry().isValid()) {
        showPopup(tray_->geometry());
    } else {
        showWindow();
    }
}

void CorvaneApp::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Trigger) return;
    if (panel_->isVisible()) {
        panel_->hide();
        return;
    }
    if (std::chrono::steady_clock::now() - popupClosedAt_ < kReopenGuard) return;
    const QRect icon = tray_->geometry();
    showPopup(icon.isValid() ? icon : pointerAnchor());
}

void CorvaneApp::showPopup(const QRect& anchor) {
    popupAnchor_ = anchor;
    if (!panel_->windowFlags().testFlag(Qt::Popup)) {
        panel_->hide();
        panel_->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    }
    panel_->adjustSize();
    placePopup();
    panel_->show();
}

void CorvaneApp::showWindow() {
    if (panel_->windowFlags().testFlag(Qt::Popup)) {
        panel_->hide();
        panel_->setWindowFlags(Qt::Window);
    }
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
}

void CorvaneApp::placePopup() {
    const QScreen* screen = QGuiApplication::screenAt(popupAnchor_.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    panel_->move(
        popupPlacement(popupAnchor_, panel_->size(), screen->geometry(), screen->availableGeometry()));
}

bool CorvaneApp::eventFilter(QObject* watched, QEvent* event) {
    if (watched != panel_.get() || !panel_->windowFlags().testFlag(Qt::Popup)) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
            panel_->hide();
            return true;
        case QEvent::Hide:
            // Closed by a press outside it, which may be on the icon.
            if (QGuiApplication::mouseButtons() != Qt::NoButton)
                popupClosedAt_ = std::chrono::steady_clock::now();
            return false;
        case QEvent::Resize:
            placePopup();  // the panel grows and shrinks with the clients
            return false;
        default:
            return false;
    }
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
