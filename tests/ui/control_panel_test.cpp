// The control panel on a simulated desktop, drawn offscreen: what it shows
// for the controller's state and what its controls write back.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>

#include "corvane/controller/controller.h"
#include "corvane/panel/client_row.h"
#include "corvane/panel/control_panel.h"
#include "corvane/panel/panel_section.h"
#include "corvane/panel/refresh_coalescer.h"
#include "platform/sim/sim_desktop.h"
#include "platform/x11/x11_texts.h"

namespace corvane {

namespace {

const QColor kRed(0xFF3B30);

QPoint handleCentre(const QSlider& slider) {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider.style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
        .center();
}

}  // namespace

class ControlPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<sim::SimDesktop> desk;
    std::shared_ptr<Controller> controller;
    std::unique_ptr<ControlPanel> panel;
    int quits = 0;
    QFont applicationFont;

    void start(const platform::PlatformTexts& texts = x11::platformTexts()) {
        controller = Controller::create(desk->platform());
        panel = std::make_unique<ControlPanel>(controller, texts, [this] { ++quits; });
        panel->show();
        settle();
    }
    void addGame(platform::Pid pid) {
        desk->addGame(pid, pid);
        desk->addWindow(pid, {10, 10, 800, 600});
    }
    /// Lets the panel's deferred refresh run.
    static void settle() { QCoreApplication::processEvents(); }
    void tick() {
        desk->queue().advance(Controller::kTickInterval);
        settle();
    }

    template <typename T = QWidget>
    T& find(const char* name) const {
        auto* widget = panel->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) throw std::runtime_error(std::string("no widget ") + name);
        return *widget;
    }
    [[nodiscard]] QAbstractButton& segment(const QString& label) const {
        for (auto* button : find("layoutPicker").findChildren<QAbstractButton*>())
            if (button->text() == label) return *button;
        throw std::runtime_error("no segment " + label.toStdString());
    }
    [[nodiscard]] bool shown(const char* name) const { return find(name).isVisible(); }
    [[nodiscard]] QString text(const char* name) const { return find<QLabel>(name).text(); }
    [[nodiscard]] static bool isRed(const QLabel& label) {
        return label.palette().color(QPalette::WindowText) == kRed;
    }
    /// Calls `visit` with each of the panel's accessible nodes, depth first.
    void visitAccessible(const std::function<void(QAccessibleInterface& node)>& visit) const {
        const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            visit(*node);
            for (int i = 0; i < node->childCount(); ++i) {
                QAccessibleInterface* child = node->child(i);
                if (child != nullptr && child->object() != nullptr) walk(child);
            }
        };
        walk(QAccessible::queryAccessibleInterface(panel.get()));
    }
    /// A node's name, and its description in brackets where it has one.
    [[nodiscard]] static QString title(const QAccessibleInterface& node) {
        const QString description = node.text(QAccessible::Description);
        return node.text(QAccessible::Name) + (description.isEmpty() ? QString() : " (" + description + ')');
    }
    /// The visible control a screen reader knows by `title` (not a label that reads so).
    [[nodiscard]] QAccessibleInterface* accessible(const QString& title) const {
        QAccessibleInterface* found = nullptr;
        visitAccessible([&](QAccessibleInterface& node) {
            if (found == nullptr && !node.state().invisible && node.role() != QAccessible::StaticText &&
                ControlPanelTest::title(node) == title)
                found = &node;
        });
        return found;
    }
    /// Works `node`'s control as a user does ("click", "type", or a key: "End",
    /// "Down") or as a screen reader does ("action").
    static void work(QAccessibleInterface& node, const QString& way) {
        auto* widget = qobject_cast<QWidget*>(node.object());
        if (way == QLatin1String("click")) {
            QTest::mouseClick(widget, Qt::LeftButton, {}, widget->mapFromGlobal(node.rect().center()));
        } else if (way == QLatin1String("type")) {
            qobject_cast<QLineEdit*>(widget)->selectAll();
            QTest::keyClicks(widget, "Heal");
        } else if (way != QLatin1String("action")) {
            QTest::keyClick(widget, way == QLatin1String("End") ? Qt::Key_End : Qt::Key_Down);
        } else if (QAccessibleValueInterface* value = node.valueInterface()) {
            value->setCurrentValue(value->maximumValue());
        } else if (QAccessibleEditableTextInterface* text = node.editableTextInterface()) {
            text->replaceText(0, node.textInterface()->characterCount(), QStringLiteral("Heal"));
        } else {
            const QString toggle = QAccessibleActionInterface::toggleAction();
            const bool toggles = node.actionInterface()->actionNames().contains(toggle);
            node.actionInterface()->doAction(toggles ? toggle : QAccessibleActionInterface::pressAction());
        }
    }
    /// What the controls can change, one "key=value" each.
    [[nodiscard]] QStringList state() const {
        const Controller& c = *controller;
        const auto flag = [](bool on) { return QString::fromLatin1(on ? "on" : "off"); };
        QStringList names;
        for (const auto& name : c.names()) names << QString::fromStdString(name);
        const int moves = desk->calls().count("setPosition") + desk->calls().count("setSize");
        return {"layout=" + QString::fromUtf8(layout::rawValue(c.layout())),
                "mainShare=" + QString::number(c.mainShare()),
                "showPreview=" + flag(c.showPreview()),
                "previewWidth=" + QString::number(c.previewWidth()),
                "clickPreviewSwitches=" + flag(c.clickPreviewSwitches()),
                "keepSlots=" + flag(c.keepSlots()),
                "previewsWithGame=" + flag(c.previewsWithGame()),
                "previewLabels=" + flag(c.previewLabels()),
                "hotkey=" + QString::fromStdString(c.hotkeyID()),
                "jumpStyle=" + QString::fromUtf8(HotkeyManager::rawValue(c.jumpStyle())),
                "showBorder=" + flag(c.showBorder()),
                "names=" + names.join(','),
                "active=" + (c.activePid() ? QString::number(*c.activePid()) : QStringLiteral("none")),
                "arranged=" + QString::fromLatin1(moves > 0 ? "yes" : "no"),
                "quits=" + QString::number(quits)};
    }
    /// Three games, the first played, previews on: every control shows.
    void startWithEverything() {
        for (platform::Pid pid : {1, 2, 3}) addGame(pid);
        desk->setFrontmost(1);
        desk->defaults().set("showPreview", true);
        start();
    }
    /// What `widget` reads, if it is a widget with a text.
    [[nodiscard]] static QString shownText(const QWidget& widget) {
        if (const auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
        if (const auto* box = qobject_cast<const QComboBox*>(&widget)) return box->currentText();
        if (const auto* field = qobject_cast<const QLineEdit*>(&widget)) return field->text();
        return {};
    }
    /// The texts of the visible widgets, top to bottom; those side by side
    /// (their spans overlap) left to right.
    [[nodiscard]] QStringList visibleTexts() const {
        std::vector<std::pair<QRect, QString>> shown;
        for (auto* widget : panel->findChildren<QWidget*>()) {
            if (widget->isVisible() && !shownText(*widget).isEmpty())
                shown.emplace_back(QRect(widget->mapTo(panel.get(), QPoint()), widget->size()),
                                   shownText(*widget));
        }
        const auto byTop = [](const auto& a, const auto& b) { return a.first.top() < b.first.top(); };
        const auto byLeft = [](const auto& a, const auto& b) { return a.first.left() < b.first.left(); };
        std::sort(shown.begin(), shown.end(), byTop);
        QStringList texts;
        for (auto line = shown.begin(); line != shown.end();) {
            auto next = line;
            while (next != shown.end() && next->first.top() <= line->first.bottom()) ++next;
            std::sort(line, next, byLeft);
            for (; line != next; ++line) texts << line->second;
        }
        return texts;
    }
    /// The text `widget` shows if it does not fit, else nothing: a wrapping
    /// text needs its longest word's width and its height at its width, any
    /// other its whole size.
    [[nodiscard]] static QString cutText(const QWidget& widget) {
        const QString text = shownText(widget);
        // A name field scrolls its text by design.
        if (text.isEmpty() || qobject_cast<const QLineEdit*>(&widget) != nullptr) return {};
        const bool fits = widget.hasHeightForWidth()
                              ? widget.width() >= widget.minimumSizeHint().width() &&
                                    widget.height() >= widget.heightForWidth(widget.width())
                              : widget.width() >= widget.sizeHint().width() &&
                                    widget.height() >= widget.sizeHint().height();
        return fits ? QString() : text;
    }
    [[nodiscard]] std::vector<ClientRow*> rows() const {
        QLayout* list = find("clients").layout();
        std::vector<ClientRow*> out;
        out.reserve(static_cast<std::size_t>(list->count()));
        for (int i = 0; i < list->count(); ++i)
            out.push_back(qobject_cast<ClientRow*>(list->itemAt(i)->widget()));
        return out;
    }

private slots:
    void initTestCase() { applicationFont = QApplication::font(); }
    void init() {
        desk = std::make_unique<sim::SimDesktop>();
        quits = 0;
    }
    void cleanup() {
        QApplication::setFont(applicationFont);
        panel.reset();
        controller.reset();
        desk->queue().runUntilIdle();
        desk.reset();
    }

    // Many changes in one turn make one refresh, on a later turn, and none
    // once the panel is gone.
    void refreshesAreCoalesced() {
        int calls = 0;
        auto context = std::make_unique<QObject>();
        RefreshCoalescer coalescer(context.get(), [&calls] { ++calls; });
        coalescer.request();
        coalescer.request();
        QCOMPARE(calls, 0);
        settle();
        QCOMPARE(calls, 1);
        coalescer.request();
        context.reset();
        settle();
        QCOMPARE(calls, 1);
    }

    void noGameAndNoPermission() {
        desk->setTrusted(false);
        start(platform::PlatformTexts{});  // a desktop with an Accessibility permission
        QCOMPARE(text("title"), QStringLiteral("Corvane"));
        QVERIFY(shown("accessibilityAdvice"));
        QCOMPARE(text("adviceText"),
                 QStringLiteral("Corvane needs Accessibility access to move and focus your WoW windows."));
        QCOMPARE(
            text("noClients"),
            QStringLiteral("No WoW clients running. Start your games from Battle.net in windowed mode."));
        QVERIFY(shown("noClients"));
        QVERIFY(shown("layoutSection"));
        QVERIFY(!find("arrangeNow").isEnabled());
        QVERIFY(!find("switchNow").isEnabled());
        QStringList titles;
        for (auto* title : panel->findChildren<QLabel*>(QStringLiteral("sectionTitle")))
            titles << title->text();
        QCOMPARE(titles, (QStringList{"WINDOWS", "LAYOUT", "LIVE PREVIEW", "SWITCH HOTKEY"}));

        const int prompts = desk->trustPrompts();
        find<QPushButton>("openAccessibility").click();
        QCOMPARE(desk->trustPrompts(), prompts + 1);
        desk->setTrusted(true);
        tick();
        QVERIFY(!shown("accessibilityAdvice"));
    }

    void adviceNeverShowsWhereNoSuchPermissionExists() {
        desk->setTrusted(false);
        start();
        QVERIFY(!shown("accessibilityAdvice"));
    }

    void threeClientsSecondActive() {
        for (platform::Pid pid : {1, 2, 3}) addGame(pid);
        desk->setFrontmost(2);
        start();
        QVERIFY(!shown("noClients"));
        const auto list = rows();
        QCOMPARE(list.size(), 3U);
        const QColor dots[] = {QColor(0x34C759), QColor(0x007AFF), QColor(0xFF9500)};
        for (std::size_t i = 0; i < 3; ++i) {
            QCOMPARE(list[i]->pid(), static_cast<platform::Pid>(i + 1));
            const QColor dot =
                list[i]->findChild<QWidget*>(QStringLiteral("dot"))->grab().toImage().pixelColor(5, 5);
            QCOMPARE(dot.rgb(), dots[i].rgb());
            QCOMPARE(list[i]->activeLabel()->isVisible(), i == 1);
            QCOMPARE(list[i]->nameField()->text(), QStringLiteral("Window %1").arg(i + 1));
            QCOMPARE(list[i]->nameField()->placeholderText(), QStringLiteral("Name"));
        }
        QVERIFY(find("arrangeNow").isEnabled());
        QVERIFY(find("switchNow").isEnabled());

        desk->calls().clear();
        list[2]->findChild<QPushButton*>(QStringLiteral("focus"))->click();
        QCOMPARE(controller->activePid(), 3);
        QCOMPARE(desk->calls().count("activate 3"), 1);
    }

    // Each edit names the row's current slot, also after an earlier client quit.
    void renamingFollowsTheRowsSlot() {
        for (platform::Pid pid : {1, 2, 3}) addGame(pid);
        start();
        QPointer<QLineEdit> second = rows()[1]->nameField();
        second->selectAll();
        QTest::keyClicks(second, "Heal");
        QCOMPARE(controller->names()[1], std::string("Heal"));

        desk->removeApp(1);
        tick();
        QVERIFY(second);
        QCOMPARE(rows()[0]->nameField(), second.data());  // the same row, now in slot 0
        QCOMPARE(second->text(), QStringLiteral("Window 1"));
        QCOMPARE(rows()[1]->nameField()->text(), QStringLiteral("Heal"));  // pid 3 took slot 1
        QTest::keyClick(second, Qt::Key_End);
        QTest::keyClicks(second, "!");
        QCOMPARE(controller->names()[0], std::string("Window 1!"));
        QCOMPARE(controller->names()[1], std::string("Heal"));
    }

    void rowsMadeLaterKeepTheirPlaceInTheTabOrder() {
        start();
        addGame(1);
        tick();
        QWidget* field = rows()[0]->nameField();
        QWidget* next = panel->nextInFocusChain();
        while (next != field && next != &segment("Main + side")) next = next->nextInFocusChain();
        QCOMPARE(next, field);
    }

    void nameFieldKeepsFocusAndCursorAcrossRebuilds() {
        addGame(1);
        addGame(2);
        start();
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel.get()));
        QVERIFY(!rows()[0]->nameField()->hasFocus());  // opening starts no edit
        QPointer<QLineEdit> field = rows()[1]->nameField();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "Tank");
        field->setCursorPosition(2);

        addGame(3);  // starts: the panel rebuilds and the windows are arranged
        tick();
        desk->removeApp(1);  // quits: the edited row moves up a slot
        tick();
        controller->setShowBorder(false);
        settle();
        QVERIFY(field);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->text(), QStringLiteral("Tank"));
        QCOMPARE(field->cursorPosition(), 2);
    }

    // What a screen reader finds: each control by its name and role, what it
    // can do, the group it belongs to and the label that names it.
    void screenReadersFindEveryControl() {
        startWithEverything();
        const QList<QAccessible::Role> controls{
            QAccessible::Window,      QAccessible::Grouping, QAccessible::Button, QAccessible::CheckBox,
            QAccessible::RadioButton, QAccessible::ComboBox, QAccessible::Slider, QAccessible::EditableText};
        const QMetaEnum roles = QMetaEnum::fromType<QAccessible::Role>();
        QStringList found;
        visitAccessible([&](QAccessibleInterface& node) {
            if (node.state().invisible || !controls.contains(node.role())) return;
            QString line = QString::fromLatin1(roles.valueToKey(node.role())) + ' ' + title(node);
            QStringList actions =
                node.actionInterface() ? node.actionInterface()->actionNames() : QStringList();
            actions.removeAll(QAccessibleActionInterface::setFocusAction());
            if (!actions.isEmpty()) line += " [" + actions.join(", ") + ']';
            if (node.parent()->role() == QAccessible::Grouping)
                line += " in " + node.parent()->text(QAccessible::Name);
            for (const auto& [label, relation] : node.relations(QAccessible::Label))
                line += ", labelled " + label->text(QAccessible::Name);
            found << line;
        });
        QCOMPARE(found, (QStringList{"Window Corvane",
                                     "EditableText Name of window 1 (Name)",
                                     "Button Focus (Brings window 1 to the front) [Press]",
                                     "EditableText Name of window 2 (Name)",
                                     "Button Focus (Brings window 2 to the front) [Press]",
                                     "EditableText Name of window 3 (Name)",
                                     "Button Focus (Brings window 3 to the front) [Press]",
                                     "CheckBox Keep each game's slot when it restarts [Toggle]",
                                     "Grouping Layout",
                                     "RadioButton Main + side [Toggle] in Layout",
                                     "RadioButton Side by side [Toggle] in Layout",
                                     "RadioButton Stacked [Toggle] in Layout",
                                     "Slider Main window, labelled Main window",
                                     "Button Arrange now [Press]",
                                     "CheckBox Show the windows I'm not playing [Toggle]",
                                     "Slider Size, labelled Size",
                                     "CheckBox Click a preview to switch to it [Toggle]",
                                     "CheckBox Hide previews while no game is in front [Toggle]",
                                     "CheckBox Show names on previews [Toggle]",
                                     "ComboBox ` (backtick) [ShowMenu, Press], labelled Switch hotkey",
                                     "ComboBox Off [ShowMenu, Press], labelled Jump keys",
                                     "CheckBox Colored border on the active window [Toggle]",
                                     "Button Switch now [Press]",
                                     "Button Quit Corvane [Press]"}));
    }

    // Each control writes its own setting and nothing else, alike when clicked
    // (or keyed) and when a screen reader takes its action.
    void everyControlWritesItsOwnSetting_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("way");
        QTest::addColumn<QStringList>("changes");
        const auto both = [](const char* control, const char* way, const QStringList& changes) {
            QTest::addRow("%s, %s", control, way)
                << QString::fromUtf8(control) << QString::fromLatin1(way) << changes;
            QTest::addRow("%s, action", control)
                << QString::fromUtf8(control) << QStringLiteral("action") << changes;
        };
        both("Show the windows I'm not playing", "click", {"showPreview=off"});
        both("Click a preview to switch to it", "click", {"clickPreviewSwitches=off"});
        both("Keep each game's slot when it restarts", "click", {"keepSlots=on"});
        both("Hide previews while no game is in front", "click", {"previewsWithGame=on"});
        both("Show names on previews", "click", {"previewLabels=on"});
        both("Colored border on the active window", "click", {"showBorder=off"});
        both("Side by side", "click", {"layout=sideBySide", "arranged=yes"});
        both("Main window", "End", {"mainShare=0.85", "arranged=yes"});
        both("Size", "End", {"previewWidth=900"});
        both("Arrange now", "click", {"arranged=yes"});
        both("Switch now", "click", {"active=2", "arranged=yes"});
        both("Focus (Brings window 3 to the front)", "click", {"active=3", "arranged=yes"});
        both("Name of window 2 (Name)", "type", {"names=Window 1,Heal,Window 3,Window 4,Window 5"});
        both("Quit Corvane", "click", {"quits=1"});
        // The pickers are known by their value, as Qt's own: a screen reader says which key is chosen.
        QTest::addRow("Hotkey, Down") << "` (backtick)"
                                      << "Down" << QStringList{"hotkey=ctrlTab"};
        QTest::addRow("Jump keys, Down") << "Off"
                                         << "Down" << QStringList{"jumpStyle=controlNumbers"};
    }
    void everyControlWritesItsOwnSetting() {
        QFETCH(QString, control);
        QFETCH(QString, way);
        QFETCH(QStringList, changes);
        startWithEverything();
        QAccessibleInterface* node = accessible(control);
        QVERIFY(node != nullptr);
        desk->calls().clear();
        QStringList expected = state();
        for (const QString& change : changes) {
            const QString key = change.section('=', 0, 0) + '=';
            for (QString& entry : expected)
                if (entry.startsWith(key)) entry = change;
        }
        work(*node, way);
        // A screen reader's Press clicks a tenth of a second later.
        QTRY_COMPARE(state(), expected);
    }

    // Each text breaks into lines within the panel, or the panel grows wider
    // for one that cannot: none is ever cut.
    void noTextIsCut_data() {
        QTest::addColumn<int>("points");
        QTest::newRow("12 pt") << 12;
        QTest::newRow("20 pt") << 20;
    }
    void noTextIsCut() {
        QFETCH(int, points);
        QFont font = applicationFont;
        font.setPointSize(points);
        QApplication::setFont(font);
        desk->takeHotKey(50, 0);
        desk->defaults().set("jumpStyle", std::string("optionNumbers"));
        startWithEverything();
        QTRY_COMPARE(panel->height(), panel->heightForWidth(panel->width()));
        QVERIFY(panel->width() >= 340);
        QStringList cut;
        for (auto* widget : panel->findChildren<QWidget*>()) {
            if (widget->isVisible() && !cutText(*widget).isEmpty()) cut << cutText(*widget);
        }
        QCOMPARE(cut, QStringList());
    }

    // A name longer than its field shows its start whenever it is not being edited.
    void longNameShowsItsStart() {
        startWithEverything();
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel.get()));
        controller->rename(1, "A name far too long for the field it is shown in, by a good margin");
        settle();
        QPointer<QLineEdit> field = rows()[1]->nameField();
        QCOMPARE(field->cursorPosition(), 0);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_End);
        rows()[0]->nameField()->setFocus();
        QVERIFY(field);
        QCOMPARE(field->cursorPosition(), 0);
    }

    // The name fields have one width, "Active" or not; the slider tracks start at one x.
    void rowsAndSlidersLineUp() {
        startWithEverything();
        QSet<int> fieldWidths;
        for (ClientRow* row : rows()) fieldWidths << row->nameField()->width();
        QCOMPARE(fieldWidths.size(), 1);
        const auto trackX = [this](const char* name) {
            return find(name).findChild<QSlider*>(QStringLiteral("slider"))->mapTo(panel.get(), QPoint()).x();
        };
        QCOMPARE(trackX("mainShare"), trackX("previewWidth"));
    }

    void actionsEnableByTheirRule_data() {
        QTest::addColumn<int>("games");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("arrange");
        QTest::addColumn<bool>("switchNow");
        QTest::newRow("no game") << 0 << true << false << false;
        QTest::newRow("one game") << 1 << true << true << false;
        QTest::newRow("two games") << 2 << true << true << true;
        QTest::newRow("two games, no access") << 2 << false << false << true;
    }
    void actionsEnableByTheirRule() {
        QFETCH(int, games);
        QFETCH(bool, trusted);
        QFETCH(bool, arrange);
        QFETCH(bool, switchNow);
        for (int pid = 1; pid <= games; ++pid) addGame(pid);
        desk->setTrusted(trusted);
        start();
        QCOMPARE(find("arrangeNow").isEnabled(), arrange);
        QCOMPARE(find("switchNow").isEnabled(), switchNow);
    }

    // Rows 14 apart inside a margin of 16; in a section, rows 8 apart below the title.
    void rowsKeepTheirSpacing() {
        startWithEverything();
        const auto gaps = [](const QLayout& layout) {
            QList<int> found;
            for (int i = 0, bottom = -1; i < layout.count(); ++i) {
                if (layout.itemAt(i)->isEmpty()) continue;
                const QRect area = layout.itemAt(i)->geometry();
                if (bottom >= 0) found << area.top() - bottom;
                bottom = area.bottom() + 1;
            }
            return found;
        };
        const QLayout& column = *panel->layout();
        const QList<int> rowGaps = gaps(column);
        QCOMPARE(rowGaps, QList<int>(rowGaps.size(), 14));
        QCOMPARE(column.itemAt(0)->geometry().topLeft(), QPoint(16, 16));
        QCOMPARE(column.itemAt(column.count() - 1)->geometry().bottomRight() + QPoint(1, 1),
                 QPoint(panel->width() - 16, panel->height() - 16));
        for (auto* section : panel->findChildren<PanelSection*>()) {
            const QList<int> sectionGaps = gaps(*section->layout());
            QCOMPARE(sectionGaps, QList<int>(sectionGaps.size(), 8));
        }
    }

    // Every text the panel shows, in reading order, in the X11 words.
    void everyTextInOrder_data() {
        QTest::addColumn<int>("games");
        QTest::addColumn<bool>("previews");
        QTest::addColumn<bool>("switchKeyTaken");
        QTest::addColumn<QString>("hotkey");
        QTest::addColumn<QString>("jumpStyle");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QStringList>("texts");
        const QString title = "Corvane";
        const QString windows = "WINDOWS";
        const QString layouts = "LAYOUT";
        const QString preview = "LIVE PREVIEW";
        const QString hotkeys = "SWITCH HOTKEY";
        const QStringList segments{"Main + side", "Side by side", "Stacked"};
        const QStringList footer{
            "Colored border on the active window", "Switch now",
            "One key press goes to one game. Corvane only arranges and focuses windows, per Blizzard's "
            "multiboxing policy.",
            "Quit Corvane"};
        QTest::newRow("no games")
            << 0 << false << false << "grave"
            << "off"
            << "mainPlusSide"
            << QStringList{title, windows,
                           "No WoW clients running. Start your games from Battle.net in windowed mode.",
                           "Keep each game's slot when it restarts", layouts} +
                   segments + QStringList{"Main window",
                                          "72%",
                                          "Arrange now",
                                          preview,
                                          "Show the windows I'm not playing",
                                          hotkeys,
                                          "` (backtick)",
                                          "Jump keys",
                                          "Off"} +
                   footer;
        QTest::newRow("three games, previews, a key taken")
            << 3 << true << true << "grave"
            << "off"
            << "mainPlusSide"
            << QStringList{title,    windows, "Window 1", "Focus", "Window 2",
                           "Active", "Focus", "Window 3", "Focus", "Keep each game's slot when it restarts",
                           layouts} +
                   segments +
                   QStringList{"Main window",
                               "72%",
                               "Arrange now",
                               preview,
                               "Show the windows I'm not playing",
                               "Size",
                               "420px",
                               "Click a preview to switch to it",
                               "Hide previews while no game is in front",
                               "Show names on previews",
                               hotkeys,
                               "` (backtick)",
                               "That key is taken by another program. Pick a different one.",
                               "Jump keys",
                               "Off"} +
                   footer;
        QTest::newRow("one game, side by side, Alt keys")
            << 1 << true << false << "optTab"
            << "optionNumbers"
            << "sideBySide"
            << QStringList{title,  windows, "Window 1", "Focus", "Keep each game's slot when it restarts",
                           layouts} +
                   segments +
                   QStringList{"Arrange now",
                               preview,
                               "Show the windows I'm not playing",
                               "Size",
                               "420px",
                               "Click a preview to switch to it",
                               "Hide previews while no game is in front",
                               "Show names on previews",
                               "Shows once a second WoW window is running.",
                               hotkeys,
                               "Alt + Tab",
                               "Jump keys",
                               "Alt + 1\u20265",
                               "Each key goes straight to one window, in the order they appear above."} +
                   footer;
    }
    void everyTextInOrder() {
        QFETCH(int, games);
        QFETCH(bool, previews);
        QFETCH(bool, switchKeyTaken);
        QFETCH(QString, hotkey);
        QFETCH(QString, jumpStyle);
        QFETCH(QString, layout);
        QFETCH(QStringList, texts);
        for (int pid = 1; pid <= games; ++pid) addGame(pid);
        desk->setFrontmost(2);
        if (switchKeyTaken) desk->takeHotKey(50, 0);
        desk->defaults().set("showPreview", previews);
        desk->defaults().set("hotkey", hotkey.toStdString());
        desk->defaults().set("jumpStyle", jumpStyle.toStdString());
        desk->defaults().set("layout", layout.toStdString());
        start();
        QCOMPARE(visibleTexts(), texts);
    }

    void valueLabelsTruncate_data() {
        QTest::addColumn<double>("share");
        QTest::addColumn<double>("width");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("pixels");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("defaults") << 0.72 << 420.0 << "72%"
                                  << "420px";
        QTest::newRow("truncated, not rounded") << 0.57 << 420.9 << "56%"
                                                << "420px";
        QTest::newRow("outside the sliders' ranges") << 0.3 << 1200.0 << "30%"
                                                     << "1200px";
        QTest::newRow("not a number") << nan << inf << "\u2013%"
                                      << "\u2013px";
        QTest::newRow("too large for a whole number") << 1e300 << -inf << "\u2013%"
                                                      << "\u2013px";
    }
    void valueLabelsTruncate() {
        QFETCH(double, share);
        QFETCH(double, width);
        QFETCH(QString, percent);
        QFETCH(QString, pixels);
        desk->defaults().set("mainShare", share);
        desk->defaults().set("previewWidth", width);
        desk->defaults().set("showPreview", true);
        start();
        QCOMPARE(find("mainShare").findChild<QLabel*>(QStringLiteral("value"))->text(), percent);
        QCOMPARE(find("previewWidth").findChild<QLabel*>(QStringLiteral("value"))->text(), pixels);
    }

    // The panel shows a change made elsewhere once the controller has stored it.
    void layoutPickerWritesAndFollows() {
        start();
        QVERIFY(segment("Main + side").isChecked());
        QVERIFY(shown("mainShare"));
        segment("Side by side").click();
        QCOMPARE(controller->layout(), Layout::sideBySide);
        settle();
        QVERIFY(!shown("mainShare"));
        controller->setLayout(Layout::stacked);
        settle();
        QVERIFY(segment("Stacked").isChecked());
        QVERIFY(!segment("Side by side").isChecked());
    }

    // The first rule that holds: no capture, then fewer than two games.
    void previewMessageByItsRule_data() {
        QTest::addColumn<int>("games");
        QTest::addColumn<bool>("played");  // the first game is in front
        QTest::addColumn<bool>("captureRefused");
        QTest::addColumn<QString>("message");
        const QString capture =
            "The X server cannot capture windows for the preview: it lacks the Composite extension.";
        QTest::newRow("one game") << 1 << true << false << "Shows once a second WoW window is running.";
        QTest::newRow("two games") << 2 << true << false << "";
        QTest::newRow("two games, no capture") << 2 << true << true << capture;
        QTest::newRow("one game behind, no capture") << 1 << false << true << capture;
    }
    void previewMessageByItsRule() {
        QFETCH(int, games);
        QFETCH(bool, played);
        QFETCH(bool, captureRefused);
        QFETCH(QString, message);
        for (int pid = 1; pid <= games; ++pid) addGame(pid);
        if (played) desk->setFrontmost(1);
        desk->setCaptureRefused(captureRefused);
        desk->defaults().set("showPreview", true);
        start();
        desk->queue().runUntilIdle();
        tick();
        QCOMPARE(shown("previewMessage"), !message.isEmpty());
        if (message.isEmpty()) return;
        QCOMPARE(text("previewMessage"), message);
        QCOMPARE(isRed(find<QLabel>("previewMessage")), captureRefused);
    }

    void jumpKeyMessageByItsRule() {
        desk->takeHotKey(20, platform::modifier::kControl);  // Control + 3
        start();
        auto& jump = find<QComboBox>("jumpStyle");
        QCOMPARE(jump.currentText(), QStringLiteral("Off"));
        QVERIFY(!shown("jumpMessage"));
        jump.setCurrentIndex(3);
        QCOMPARE(controller->jumpStyle(), HotkeyManager::JumpStyle::functionKeys);
        settle();
        QCOMPARE(text("jumpMessage"),
                 QStringLiteral("Each key goes straight to one window, in the order they appear above."));
        QVERIFY(!isRed(find<QLabel>("jumpMessage")));
        jump.setCurrentIndex(1);
        settle();
        QCOMPARE(text("jumpMessage"),
                 QStringLiteral("Some jump keys are taken by another program. Pick a different set."));
        QVERIFY(isRed(find<QLabel>("jumpMessage")));
    }

    void takenSwitchKeyMessageGoesWhenAnotherKeyRegisters() {
        desk->takeHotKey(50, 0);  // the default, grave
        const auto texts = x11::platformTexts();
        start(texts);
        auto& hotkey = find<QComboBox>("hotkey");
        QCOMPARE(hotkey.count(), 7);
        QCOMPARE(hotkey.itemText(0), QStringLiteral("` (backtick)"));
        QCOMPARE(hotkey.itemText(6), QStringLiteral("F12"));
        QCOMPARE(text("hotkeyMessage"), QString::fromStdString(texts.hotkeyTaken));
        QVERIFY(isRed(find<QLabel>("hotkeyMessage")));
        hotkey.setCurrentIndex(3);
        QCOMPARE(controller->hotkeyID(), std::string("f13"));
        settle();
        QVERIFY(!shown("hotkeyMessage"));
    }

    void eachKeyProblemShowsItsOwnWords_data() {
        QTest::addColumn<QString>("hotkey");
        QTest::addColumn<QString>("jumpStyle");
        QTest::addColumn<int>("takenKey");  // -1 for none
        QTest::addColumn<int>("takenModifiers");
        QTest::addColumn<int>("removedKey");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("words");
        const int grave = 50;
        const int three = 20;
        const int none = -1;
        const int control = int{platform::modifier::kControl};
        QTest::newRow("switch key taken") << "grave"
                                          << "off" << grave << 0 << none << "hotkeyMessage"
                                          << "That key is taken by another program. Pick a different one.";
        QTest::newRow("no such switch key") << "grave"
                                            << "off" << none << 0 << grave << "hotkeyMessage"
                                            << "This keyboard has no such key. Pick a different one.";
        QTest::newRow("jump key taken")
            << "grave"
            << "controlNumbers" << three << control << none << "jumpMessage"
            << "Some jump keys are taken by another program. Pick a different set.";
        QTest::newRow("no such jump key")
            << "grave"
            << "controlNumbers" << none << 0 << three << "jumpMessage"
            << "This keyboard lacks some of these jump keys. Pick a different set.";
        QTest::newRow("switch key among the jump keys")
            << "f13"
            << "functionKeys" << none << 0 << none << "jumpMessage"
            << "The switch key is one of these jump keys. Pick a different set.";
    }
    void eachKeyProblemShowsItsOwnWords() {
        QFETCH(QString, hotkey);
        QFETCH(QString, jumpStyle);
        QFETCH(int, takenKey);
        QFETCH(int, takenModifiers);
        QFETCH(int, removedKey);
        QFETCH(QString, message);
        QFETCH(QString, words);
        desk->defaults().set("hotkey", hotkey.toStdString());
        desk->defaults().set("jumpStyle", jumpStyle.toStdString());
        if (takenKey >= 0)
            desk->takeHotKey(static_cast<std::uint32_t>(takenKey),
                             static_cast<std::uint32_t>(takenModifiers));
        if (removedKey >= 0) desk->removeKey(static_cast<std::uint32_t>(removedKey));
        start();
        const auto& label = find<QLabel>(message.toLatin1().constData());
        QCOMPARE(label.text(), words);
        QVERIFY(isRed(label));
    }

    void pickersReadInThePlatformsWords() {
        start();
        QStringList switchKeys;
        QStringList jumpStyles;
        for (int i = 0; i < find<QComboBox>("hotkey").count(); ++i)
            switchKeys << find<QComboBox>("hotkey").itemText(i);
        for (int i = 0; i < find<QComboBox>("jumpStyle").count(); ++i)
            jumpStyles << find<QComboBox>("jumpStyle").itemText(i);
        QCOMPARE(switchKeys,
                 (QStringList{"` (backtick)", "Control + Tab", "Alt + Tab", "F13", "F14", "F15", "F12"}));
        QCOMPARE(jumpStyles, (QStringList{"Off", "Control + 1\u20265", "Alt + 1\u20265", "F13\u2026F17"}));
    }

    void unknownHotkeyShowsNoSelectionAndIsNotWrittenBack() {
        desk->defaults().set("hotkey", std::string("capsLock"));
        start();
        QCOMPARE(find<QComboBox>("hotkey").currentIndex(), -1);
        tick();
        QCOMPARE(find<QComboBox>("hotkey").currentIndex(), -1);
        QCOMPARE(controller->hotkeyID(), std::string("capsLock"));
    }

    // A drag writes while the slider is held, every pixel of it (a refresh
    // does not move the handle back), up to the end of the range.
    void slidersWriteWhileDragged_data() {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<double>("maximum");
        QTest::newRow("main window") << "mainShare" << 0.85;
        QTest::newRow("size") << "previewWidth" << 900.0;
    }
    void slidersWriteWhileDragged() {
        QFETCH(QString, slider);
        QFETCH(double, maximum);
        startWithEverything();
        const auto value = [&] {
            return slider == QLatin1String("mainShare") ? controller->mainShare()
                                                        : controller->previewWidth();
        };
        QPointer<QSlider> handle = find(qPrintable(slider)).findChild<QSlider*>(QStringLiteral("slider"));
        const QPoint from = handleCentre(*handle);
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        for (int dx = 1; dx <= 3; ++dx) {
            const double before = value();
            QTest::mouseMove(handle, from + QPoint(dx, 0));
            QVERIFY(handle->isSliderDown());
            QVERIFY2(value() > before, qPrintable(QStringLiteral("no change at %1 px").arg(dx)));
            settle();
        }
        const QPoint end(handle->width() + 50, from.y());
        QTest::mouseMove(handle, end);
        QCOMPARE(value(), maximum);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, end);
    }

    void quitWhileStreaming() {
        for (platform::Pid pid : {1, 2, 3}) addGame(pid);
        desk->setFrontmost(1);
        desk->defaults().set("showPreview", true);
        start();
        desk->queue().runUntilIdle();
        QCOMPARE(desk->streams().size(), 2U);
        for (auto* stream : desk->streams()) stream->deliverFrame(1600, 1200);
        find<QPushButton>("quit").click();
        QCOMPARE(quits, 1);

        tick();  // a refresh is pending when the panel goes
        panel.reset();
        tick();
        settle();
        controller.reset();
        desk->queue().runUntilIdle();
        for (auto* stream : desk->streams()) QVERIFY(stream->destroyed());
    }

    // Rows that appear later make the panel taller, with every wrapped text at
    // full height inside it; the panel shrinks again when they go. Saves the
    // picture with everything shown for people to look at.
    void panelFollowsItsRowsAtFullHeight() {
        for (platform::Pid pid : {1, 2, 3}) addGame(pid);
        desk->setFrontmost(2);
        start();
        const int plain = panel->height();
        desk->setTrusted(false);
        desk->takeHotKey(50, 0);
        controller->setHotkeyID("grave");
        controller->setShowPreview(true);
        controller->setJumpStyle(HotkeyManager::JumpStyle::functionKeys);
        controller->rename(0, "Tank");
        tick();
        QTRY_COMPARE(panel->height(), panel->heightForWidth(340));
        QCOMPARE(panel->sizeHint(), panel->size());
        QVERIFY(panel->height() > plain);
        const QRect inside = panel->rect().marginsRemoved(QMargins(16, 16, 16, 16));
        for (auto* widget : panel->findChildren<QWidget*>()) {
            if (!widget->isVisible()) continue;
            const QRect area(widget->mapTo(panel.get(), QPoint(0, 0)), widget->size());
            QVERIFY2(inside.contains(area), qPrintable(widget->objectName()));
            auto* label = qobject_cast<QLabel*>(widget);
            if (label != nullptr && label->wordWrap()) {
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
            }
        }
        QVERIFY(panel->grab().save(QStringLiteral("control_panel.png")));

        desk->setTrusted(true);
        controller->setShowPreview(false);
        controller->setJumpStyle(HotkeyManager::JumpStyle::off);
        controller->setHotkeyID("f13");
        tick();
        QTRY_COMPARE(panel->height(), plain);

        panel->hide();  // closed while rows appear
        controller->setShowPreview(true);
        settle();
        panel->show();
        QTRY_VERIFY(panel->height() > plain);
        QVERIFY(panel->rect().contains(
            QRect(find("quit").mapTo(panel.get(), QPoint(0, 0)), find("quit").size())));
    }
};

}  // namespace corvane

QTEST_MAIN(corvane::ControlPanelTest)
#include "control_panel_test.moc"
