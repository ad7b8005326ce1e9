#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>
#include <QWidget>

#include <chrono>

namespace corvane {

/// The panel as the tray icon's popup: a click on the icon opens it next to
/// the icon and another click closes it; it closes as well when it loses
/// the focus (a click elsewhere, a game brought to the front) and on Escape.
/// It grabs neither the keyboard nor the pointer, so the hot keys work while
/// it is open and a game brought to the front gets the keys at once. Where
/// no tray exists the panel is an ordinary window instead. Either way it
/// stays above the program's border and previews.
class TrayPopup : public QObject {
    Q_OBJECT

public:
    explicit TrayPopup(QWidget& panel, QObject* parent = nullptr);

    /// Opens or closes on a click of `icon` (its middle click and menu aside).
    void follow(QSystemTrayIcon& icon);
    /// Opens or closes next to `anchor`: the icon's geometry, or where the pointer is.
    void toggle(const QRect& anchor);
    /// Opens next to `anchor`, in front and with the focus.
    void open(const QRect& anchor);
    /// Shows the panel as an ordinary window, for a desktop without a tray.
    void openAsWindow();
    void close();
    [[nodiscard]] bool isOpen() const;

signals:
    /// The panel appeared or went away (whichever way).
    void visibilityChanged(bool visible);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setMode(Qt::WindowFlags flags);
    void place();
    void bringToFront();
    void closedByFocusLoss();

    QPointer<QWidget> panel_;
    QRect anchor_;
    bool popup_ = true;
    std::chrono::steady_clock::time_point lostFocusAt_{};
};

}  // namespace corvane
