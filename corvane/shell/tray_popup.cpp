#include "corvane/shell/tray_popup.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

#include "corvane/shell/popup_placement.h"

namespace corvane {

namespace {

/// A click on the icon while the popup is open takes the focus from it first,
/// which closes it; the click itself must not open it again at once.
constexpr std::chrono::milliseconds kReopenGuard{300};

constexpr Qt::WindowFlags kPopupFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowStaysOnTopHint;

}  // namespace

TrayPopup::TrayPopup(QWidget& panel, QObject* parent) : QObject(parent), panel_(&panel) {
    panel.installEventFilter(this);
    setMode(kPopupFlags);
    // Made once: every later opening only places and shows it.
    panel.adjustSize();
    panel.winId();
}

void TrayPopup::follow(QSystemTrayIcon& icon) {
    connect(&icon, &QSystemTrayIcon::activated, this,
            [this, &icon](QSystemTrayIcon::ActivationReason reason) {
                const QRect geometry = icon.geometry();
                // A tray over D-Bus tells no geometry: the pointer is at the icon then.
                const QRect anchor = geometry.isValid() ? geometry : QRect(QCursor::pos(), QSize(1, 1));
                if (reason == QSystemTrayIcon::Trigger) toggle(anchor);
                // The second press of a quick pair comes as a double click instead of a
                // press: a player used to double-clicking icons wants the panel open.
                if (reason == QSystemTrayIcon::DoubleClick && !isOpen()) open(anchor);
            });
}

void TrayPopup::toggle(const QRect& anchor) {
    if (isOpen()) {
        close();
        return;
    }
    if (std::chrono::steady_clock::now() - lostFocusAt_ < kReopenGuard) return;
    open(anchor);
}

void TrayPopup::open(const QRect& anchor) {
    if (!panel_) return;
    anchor_ = anchor;
    setMode(kPopupFlags);
    place();
    bringToFront();
}

void TrayPopup::openAsWindow() {
    if (!panel_) return;
    setMode(kWindowFlags);
    bringToFront();
}

void TrayPopup::close() {
    if (panel_) panel_->hide();
}

bool TrayPopup::isOpen() const {
    return panel_ && panel_->isVisible();
}

void TrayPopup::setMode(Qt::WindowFlags flags) {
    popup_ = (flags & Qt::WindowType_Mask) == Qt::Tool;
    if (panel_->windowFlags() == flags) return;
    const bool visible = panel_->isVisible();
    panel_->setWindowFlags(flags);  // hides it, and makes its window again on the next show
    if (visible) panel_->show();
}

void TrayPopup::bringToFront() {
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
    // The panel itself, not the last edited name: typing starts nothing by accident.
    panel_->setFocus(Qt::PopupFocusReason);
}

void TrayPopup::place() {
    const QScreen* screen = QGuiApplication::screenAt(anchor_.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    panel_->move(popupPlacement(anchor_, panel_->size(), screen->geometry(), screen->availableGeometry()));
}

void TrayPopup::closedByFocusLoss() {
    lostFocusAt_ = std::chrono::steady_clock::now();
    panel_->hide();
}

bool TrayPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched != panel_) return false;
    switch (event->type()) {
        case QEvent::Show:
            emit visibilityChanged(true);
            return false;
        case QEvent::Hide:
            emit visibilityChanged(false);
            return false;
        case QEvent::KeyPress:
            if (!popup_ || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
            panel_->hide();
            return true;
        case QEvent::WindowDeactivate:
            // A picker's list or the icon's menu opening keeps the panel open.
            if (popup_ && QApplication::activePopupWidget() == nullptr) closedByFocusLoss();
            return false;
        case QEvent::Resize:
            if (popup_ && panel_->isVisible()) place();  // it grows and shrinks with the clients
            return false;
        default:
            return false;
    }
}

}  // namespace corvane
