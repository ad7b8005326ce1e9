#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvane/hotkeys/hotkey_manager.h"
#include "corvane/panel/refresh_coalescer.h"

namespace corvane {

class Controller;

/// The desktop portal's global shortcuts (org.freedesktop.portal.GlobalShortcuts).
/// Under a Wayland session an X key grab fires only while an X window has the
/// focus; a shortcut bound through the portal fires wherever the player is.
/// The compositor takes such a key before any X client sees it, so a press
/// comes either from here or from the X grab, never from both. Keeps the
/// portal's binding in step with the settings' switch key and jump keys.
class PortalShortcuts : public QObject {
    Q_OBJECT

public:
    struct Shortcut {
        QString id;           ///< "switch", "jump1" … "jump5"
        QString description;  ///< what the desktop's settings show for it
        QString trigger;      ///< the preferred key, in the portal's words ("CTRL+Tab")
    };

    /// The shortcuts the settings ask for: the switch key and the jump keys.
    [[nodiscard]] static std::vector<Shortcut> forSettings(const std::string& hotkeyID,
                                                           HotkeyManager::JumpStyle jumpStyle);
    /// Whether the session bus has a portal that offers global shortcuts.
    [[nodiscard]] static bool available();

    using Say = std::function<void(const std::string&)>;
    /// Binds the controller's keys; a press switches through the controller. Says on stderr, through
    /// say, once, when the portal cannot bind them.
    PortalShortcuts(std::shared_ptr<Controller> controller, Say say);
    ~PortalShortcuts() override;
    PortalShortcuts(const PortalShortcuts&) = delete;
    PortalShortcuts& operator=(const PortalShortcuts&) = delete;
    PortalShortcuts(PortalShortcuts&&) = delete;
    PortalShortcuts& operator=(PortalShortcuts&&) = delete;

private slots:
    void answered(uint response, const QVariantMap& results);
    void pressed(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                 const QVariantMap& options);

private:  // NOLINT(readability-redundant-access-specifiers): moc reads the slots apart
    enum class Step { none, creating, binding };
    /// Binds what the settings name, in a new session, unless that is bound already.
    void bindSettings();
    void activate(const QString& id);
    void fail(const std::string& line);
    void createSession();
    void bindInSession();
    void closeSession();
    /// Asks the portal, with the answer coming as a Response on the request's own path.
    void request(Step step, const QString& method, const QVariantList& arguments, QVariantMap options);

    std::shared_ptr<Controller> controller_;
    Say say_;
    int observer_ = 0;
    RefreshCoalescer rebinder_;  ///< told before the new value is stored: binds on a later turn
    bool said_ = false;
    bool watching_ = false;
    std::vector<Shortcut> wanted_;
    QString boundTriggers_;
    QString session_;
    QString requestPath_;
    Step step_ = Step::none;
    int requests_ = 0;
};

}  // namespace corvane
