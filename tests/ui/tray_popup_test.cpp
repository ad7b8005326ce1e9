// The panel as the tray icon's popup, driven in-process as the tray drives it.
#include <QKeyEvent>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>

#include "corvane/shell/tray_popup.h"

namespace corvane {

class TrayPopupTest : public QObject {
    Q_OBJECT

private slots:
    static void aClickOpensItBesideTheIconAnotherClosesItAsDoEscapeAndTheLossOfFocus() {
        QWidget panel;
        panel.resize(340, 500);
        TrayPopup popup(panel);
        QSystemTrayIcon icon;
        popup.follow(icon);
        const QPointer<QWidget> held(&panel);

        emit icon.activated(QSystemTrayIcon::Trigger);
        QTRY_VERIFY(panel.isVisible());
        QCOMPARE(panel.windowType(), Qt::Tool);  // a popup would hold the keyboard
        QVERIFY(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        emit icon.activated(QSystemTrayIcon::Context);
        QVERIFY(panel.isVisible());  // the menu's click is no toggle
        emit icon.activated(QSystemTrayIcon::Trigger);
        QVERIFY(!panel.isVisible());
        emit icon.activated(QSystemTrayIcon::DoubleClick);  // a second click soon after
        QVERIFY(panel.isVisible());
        emit icon.activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(panel.isVisible());

        popup.open(QRect(1400, 0, 24, 24));
        QVERIFY(panel.geometry().top() >= 24);  // below an icon at the top
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&panel, &escape);
        QVERIFY(!panel.isVisible());

        popup.open(QRect(1400, 0, 24, 24));
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&panel, &deactivate);
        QVERIFY(!panel.isVisible());
        // The click on the icon that took the focus away must not open it again.
        emit icon.activated(QSystemTrayIcon::Trigger);
        QVERIFY(!panel.isVisible());
        QTest::qWait(350);
        emit icon.activated(QSystemTrayIcon::Trigger);
        QVERIFY(panel.isVisible());
        QVERIFY(held);
    }

    static void asAWindowItStaysOpenWhenItLosesTheFocus() {
        QWidget panel;
        TrayPopup popup(panel);
        popup.openAsWindow();
        QVERIFY(panel.isVisible());
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&panel, &deactivate);
        QVERIFY(panel.isVisible());
    }
};

}  // namespace corvane

QTEST_MAIN(corvane::TrayPopupTest)
#include "tray_popup_test.moc"
