#include "corvane/app/portal_shortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <algorithm>
#include <array>
#include <utility>

#include "corvane/controller/controller.h"

namespace corvane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
/// Long enough for a portal that is started on the first call.
constexpr int kTimeoutMs = 25000;
/// For the one question a player waits for.
constexpr int kAskTimeoutMs = 5000;

/// One entry of the portal's a(sa{sv}).
struct PortalEntry {
    QString id;
    QVariantMap properties;
};

}  // namespace

}  // namespace corvane

Q_DECLARE_METATYPE(corvane::PortalEntry)

namespace corvane {

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

QList<PortalEntry> entries(const std::vector<PortalShortcuts::Shortcut>& shortcuts) {
    QList<PortalEntry> list;
    for (const auto& shortcut : shortcuts) {
        list.push_back({shortcut.id,
                        {{QStringLiteral("description"), shortcut.description},
                         {QStringLiteral("preferred_trigger"), shortcut.trigger}}});
    }
    return list;
}

}  // namespace

std::vector<PortalShortcuts::Shortcut> PortalShortcuts::forSettings(const std::string& hotkeyID,
                                                                    HotkeyManager::JumpStyle jumpStyle) {
    std::vector<Shortcut> shortcuts;
    for (const auto& key : HotkeyManager::wantedKeys(hotkeyID, jumpStyle)) {
        const QString trigger = QString::fromStdString(key.trigger);
        if (!key.slot) {
            shortcuts.push_back(
                {QStringLiteral("switch"), QStringLiteral("Switch to the next game"), trigger});
            continue;
        }
        const QString number = QString::number(*key.slot + 1);
        shortcuts.push_back(
            {QStringLiteral("jump") + number, QStringLiteral("Go to the game in slot ") + number, trigger});
    }
    return shortcuts;
}

bool PortalShortcuts::available() {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    auto get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    return bus.call(get, QDBus::Block, kAskTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

PortalShortcuts::PortalShortcuts(std::shared_ptr<Controller> controller, Say say)
    : controller_(std::move(controller)), say_(std::move(say)), rebinder_(this, [this] { bindSettings(); }) {
    qDBusRegisterMetaType<PortalEntry>();
    qDBusRegisterMetaType<QList<PortalEntry>>();
    observer_ = controller_->observe([this](Controller::Property property) {
        if (property == Controller::Property::hotkeyID || property == Controller::Property::jumpStyle)
            rebinder_.request();
    });
    bindSettings();
}

PortalShortcuts::~PortalShortcuts() {
    controller_->unobserve(observer_);
    closeSession();
}

void PortalShortcuts::bindSettings() {
    auto shortcuts = forSettings(controller_->hotkeyID(), controller_->jumpStyle());
    QString triggers;
    for (const auto& shortcut : shortcuts)
        triggers += shortcut.id + QLatin1Char('=') + shortcut.trigger + ' ';
    if (triggers == boundTriggers_) return;
    boundTriggers_ = triggers;
    wanted_ = std::move(shortcuts);
    // A session's shortcuts are bound once: new keys need a new session.
    closeSession();
    createSession();
}

void PortalShortcuts::activate(const QString& id) {
    if (id == QStringLiteral("switch")) {
        controller_->switchToNext();
    } else if (id.startsWith(QStringLiteral("jump"))) {
        controller_->focusSlot(id.mid(4).toInt() - 1);
    }
}

void PortalShortcuts::fail(const std::string& line) {
    if (!std::exchange(said_, true)) say_(line);
}

void PortalShortcuts::createSession() {
    const QString token = QStringLiteral("corvane");
    QVariantMap options{
        {QStringLiteral("session_handle_token"), token},
        // Read there by portals that take the shortcuts with the session (KDE's of Plasma 5.27).
        {QStringLiteral("shortcuts"), QVariant::fromValue(entries(wanted_))}};
    request(Step::creating, QStringLiteral("CreateSession"), {}, std::move(options));
}

void PortalShortcuts::bindInSession() {
    request(
        Step::binding, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(entries(wanted_)), QString()},
        {});
}

void PortalShortcuts::closeSession() {
    step_ = Step::none;
    if (session_.isEmpty()) return;
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                       QStringLiteral("Close")),
        QDBus::NoBlock);
    session_.clear();
}

void PortalShortcuts::request(Step step, const QString& method, const QVariantList& arguments,
                              QVariantMap options) {
    auto bus = QDBusConnection::sessionBus();
    if (!requestPath_.isEmpty()) {
        bus.disconnect(kService, requestPath_, QStringLiteral("org.freedesktop.portal.Request"),
                       QStringLiteral("Response"), this, SLOT(answered(uint, QVariantMap)));
    }
    // The answer comes on a path made of our bus name and the token, watched before asking.
    const QString token = QStringLiteral("corvane%1").arg(++requests_);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    requestPath_ = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    bus.connect(kService, requestPath_, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, SLOT(answered(uint, QVariantMap)));
    options.insert(QStringLiteral("handle_token"), token);
    auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    QVariantList all = arguments;
    all.push_back(options);
    call.setArguments(all);
    step_ = step;
    // Not waited for: the portal may first have to be started.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        if (!done->isError()) return;
        step_ = Step::none;
        const QDBusError error = done->error();
        // No portal, one without global shortcuts (GNOME 43) or one that never answers: the keys work as
        // on any XWayland desktop, --check and the README say so, and stderr stays quiet.
        static constexpr std::array kAbsent{QDBusError::ServiceUnknown, QDBusError::UnknownInterface,
                                            QDBusError::UnknownMethod,  QDBusError::UnknownObject,
                                            QDBusError::NoReply,        QDBusError::Timeout,
                                            QDBusError::TimedOut};
        const bool absent = std::find(kAbsent.begin(), kAbsent.end(), error.type()) != kAbsent.end();
        if (absent) return;
        fail("corvane: the desktop portal refused the keys (" + error.message().toStdString() +
             "): they work only while a game or another X window has the focus");
    });
}

void PortalShortcuts::answered(uint response, const QVariantMap& results) {
    const Step step = std::exchange(step_, Step::none);
    if (response != 0) {
        fail(std::string("corvane: the desktop portal did not bind the keys (") +
             (response == 1 ? "cancelled" : "failed") +
             "): they work only while a game or another X window has the focus");
        return;
    }
    if (step == Step::creating) {
        // Watched only now: QtDBus matches a signal's sender against the owner the name had when asked,
        // and before the first call the portal may not have been running.
        if (!std::exchange(watching_, true)) {
            QDBusConnection::sessionBus().connect(
                kService, kPath, kInterface, QStringLiteral("Activated"), this,
                SLOT(pressed(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        }
        session_ = results.value(QStringLiteral("session_handle")).toString();
        if (session_.isEmpty()) {
            session_ = results.value(QStringLiteral("session_handle")).value<QDBusObjectPath>().path();
        }
        bindInSession();
    }
}

void PortalShortcuts::pressed(const QDBusObjectPath& session, const QString& id, qulonglong /*timestamp*/,
                              const QVariantMap& /*options*/) {
    if (!session_.isEmpty() && session.path() == session_) activate(id);
}

}  // namespace corvane
