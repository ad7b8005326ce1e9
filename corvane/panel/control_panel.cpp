#include "corvane/panel/control_panel.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

#include "corvane/controller/controller.h"
#include "corvane/panel/accessible_roles.h"
#include "corvane/panel/choice_box.h"
#include "corvane/panel/client_row.h"
#include "corvane/panel/panel_section.h"
#include "corvane/panel/rounded_box.h"
#include "corvane/panel/segmented_picker.h"
#include "corvane/panel/value_slider.h"
#include "corvane/panel/wrapping_check_box.h"
#include "corvane/system_colors.h"

namespace corvane {

namespace {

using panel_style::TextRole;
using panel_style::Tone;

/// The monitors to arrange on: "Primary", then each by name, and the chosen
/// one also while it is not connected. Rebuilt only when the list changed.
void showScreenChoices(QComboBox& picker, const Controller& c) {
    QList<QPair<QString, QString>> choices{{QStringLiteral("Primary"), QString()}};
    const auto names = c.screenNames();
    for (const auto& name : names)
        choices.append({QString::fromStdString(name), QString::fromStdString(name)});
    const QString chosen = QString::fromStdString(c.arrangeScreen());
    if (!chosen.isEmpty() && std::find(names.begin(), names.end(), c.arrangeScreen()) == names.end())
        choices.append({chosen + QStringLiteral(" (not connected)"), chosen});
    const QSignalBlocker quiet(&picker);
    bool same = picker.count() == choices.size();
    for (int i = 0; same && i < picker.count(); ++i) {
        same = picker.itemText(i) == choices[i].first && picker.itemData(i).toString() == choices[i].second;
    }
    if (!same) {
        picker.clear();
        for (const auto& [label, value] : choices) picker.addItem(label, value);
    }
    picker.setCurrentIndex(picker.findData(chosen));
}
template <typename Value>
using Items = std::vector<SettingBinder::Item<Value>>;

constexpr double kAdviceOpacity = 0.15;
constexpr double kAdviceRadius = 8;
constexpr int kAdviceMargin = 10;
constexpr int kAdviceSpacing = 6;
constexpr int kShareBoxWidth = 40;
constexpr int kWidthBoxWidth = 52;
// Fine enough that no step shows: 0.0001 of share, 0.1 point of width.
constexpr ValueSlider::Range sliderRange(const settings::Setting<double>& setting, int steps) {
    const settings::Range range = setting.range.value_or(settings::Range{});
    return {range.min, range.max, steps};
}
static_assert(settings::kMainShare.range && settings::kPreviewWidth.range, "the sliders need a range");
constexpr ValueSlider::Range kShareRange = sliderRange(settings::kMainShare, 3500);
constexpr ValueSlider::Range kWidthRange = sliderRange(settings::kPreviewWidth, 6600);

const QString kNotANumber = QStringLiteral("\u2013");

/// The whole number toward zero, or nothing when there is none to show.
std::optional<long long> wholePart(double value) {
    const double whole = std::trunc(value);
    constexpr double kLimit = 9.0e18;  // within long long either way
    if (!std::isfinite(whole) || std::fabs(whole) >= kLimit) return std::nullopt;
    return static_cast<long long>(whole);
}

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

/// The first of `wanted` among `problems`.
std::optional<Problem> firstOf(const std::vector<Problem>& problems, std::initializer_list<Problem> wanted) {
    for (const Problem problem : problems) {
        if (std::find(wanted.begin(), wanted.end(), problem) != wanted.end()) return problem;
    }
    return std::nullopt;
}

Items<Layout> layoutItems() {
    Items<Layout> items;
    for (const Layout value : layout::kAllCases)
        items.push_back({fromStd(std::string(layout::title(value))), value});
    return items;
}

Items<std::string> hotkeyItems(const platform::PlatformTexts& texts) {
    Items<std::string> items;
    for (const auto& choice : HotkeyManager::cycleChoices())
        items.push_back({fromStd(HotkeyManager::label(choice, texts)), std::string(choice.id)});
    return items;
}

Items<HotkeyManager::JumpStyle> jumpItems(const platform::PlatformTexts& texts) {
    Items<HotkeyManager::JumpStyle> items;
    for (const auto style : HotkeyManager::allJumpStyles())
        items.push_back({fromStd(HotkeyManager::title(style, texts)), style});
    return items;
}

}  // namespace

ControlPanel::ControlPanel(std::shared_ptr<Controller> controller, platform::PlatformTexts texts,
                           std::function<void()> quit, QWidget* parent)
    : QWidget(parent),
      controller_(std::move(controller)),
      texts_(std::move(texts)),
      quit_(std::move(quit)),
      refresher_(this, [this] { refresh(); }),
      binder_(*controller_) {
    installAccessibleRoles();
    build();
    refresh();
    fitSize();
    // Told before the value is stored: the refresh runs on a later turn.
    observer_ = controller_->observe([this](Controller::Property /*property*/) { refresher_.request(); });
}

ControlPanel::~ControlPanel() {
    controller_->unobserve(observer_);
}

QString ControlPanel::percentText(double share) {
    const auto percent = wholePart(share * 100);
    return (percent ? QString::number(*percent) : kNotANumber) + QStringLiteral("%");
}

QString ControlPanel::pixelText(double width) {
    const auto points = wholePart(width);
    return (points ? QString::number(*points) : kNotANumber) + QStringLiteral("px");
}

QSize ControlPanel::sizeHint() const {
    const int width = fittingWidth();
    return {width, heightForWidth(width)};
}

// Building -------------------------------------------------------------------

void ControlPanel::build() {
    setObjectName(QStringLiteral("controlPanel"));
    setAccessibleName(QStringLiteral("Corvane"));
    // The panel holds the focus when it opens, so that opening it does not
    // start editing the first name; a click on its background ends an edit.
    setFocusPolicy(Qt::ClickFocus);
    setFocus();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(panel_style::kPanelMargin, panel_style::kPanelMargin,
                               panel_style::kPanelMargin, panel_style::kPanelMargin);
    column->setSpacing(panel_style::kRowSpacing);
    // The height comes from the rows' height for the panel's width (fitSize);
    // the layout's own minimum ignores how wrapped text breaks.
    column->setSizeConstraint(QLayout::SetNoConstraint);

    auto* title = named(new QLabel(QStringLiteral("Corvane"), this), "title");
    style(title, TextRole::headline, Tone::primary);
    column->addWidget(title);
    buildAdvice(column);
    column->addWidget(buildWindows());
    column->addWidget(buildLayout());
    column->addWidget(buildPreview());
    column->addWidget(buildHotkeys());

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);
    auto* policy =
        wrappingLabel(QStringLiteral("One key press goes to one game. Corvane only arranges and focuses "
                                     "windows, per Blizzard's multiboxing policy."),
                      QStringLiteral("policy"));
    style(policy, TextRole::caption, Tone::secondary);
    column->addWidget(policy);
    buildFooter(column);
    alignSliders();
}

void ControlPanel::buildAdvice(QVBoxLayout* column) {
    QColor orange = panel_style::toQColor(system_color::kOrange);
    orange.setAlphaF(static_cast<float>(kAdviceOpacity));
    auto* advice = named(new RoundedBox(orange, kAdviceRadius, this), "accessibilityAdvice");
    auto* box = new QVBoxLayout(advice);
    box->setContentsMargins(kAdviceMargin, kAdviceMargin, kAdviceMargin, kAdviceMargin);
    box->setSpacing(kAdviceSpacing);
    auto* text = wrappingLabel(
        QStringLiteral("Corvane needs Accessibility access to move and focus your WoW windows."),
        QStringLiteral("adviceText"));
    style(text, TextRole::callout, Tone::primary);
    box->addWidget(text);
    adviceButton_ = binder_.action(
        named(new QPushButton(QStringLiteral("Open Accessibility settings"), advice), "openAccessibility"),
        &Controller::requestAccessibility);
    box->addWidget(adviceButton_, 0, Qt::AlignLeft);
    binder_.showWhile(advice, [this](const Controller& c) {
        return texts_.hasAccessibilityPermission && !c.accessibilityGranted();
    });
    column->addWidget(advice);
}

PanelSection* ControlPanel::buildWindows() {
    auto* windows = section(QStringLiteral("Windows"), QStringLiteral("windowsSection"));
    auto* noClients = wrappingLabel(
        QStringLiteral("No WoW clients running. Start your games from Battle.net in windowed mode."),
        QStringLiteral("noClients"));
    style(noClients, TextRole::callout, Tone::secondary);
    binder_.showWhile(noClients, [](const Controller& c) { return c.clients().empty(); });
    windows->addRow(noClients, true);
    clientList_ = named(new QWidget(windows), "clients");
    clientRows_ = new QVBoxLayout(clientList_);
    clientRows_->setContentsMargins(0, 0, 0, 0);
    clientRows_->setSpacing(panel_style::kSectionSpacing);
    binder_.showWhile(clientList_, [](const Controller& c) { return !c.clients().empty(); });
    windows->addRow(clientList_, true);
    windows->addRow(binder_.toggle(
        named(new WrappingCheckBox(QStringLiteral("Keep each game's slot when it restarts"), windows),
              "keepSlots"),
        settings::kKeepSlots));
    return windows;
}

PanelSection* ControlPanel::buildLayout() {
    auto* layouts = section(QStringLiteral("Layout"), QStringLiteral("layoutSection"));
    layouts->addRow(
        binder_.choice(named(new SegmentedPicker(QStringLiteral("Layout"), layouts), "layoutPicker"),
                       layoutItems(), settings::kLayout),
        true);

    auto* share = binder_.slider(
        named(new ValueSlider(QStringLiteral("Main window"), kShareRange, &percentText, layouts),
              "mainShare"),
        settings::kMainShare);
    binder_.showWhile(share, [](const Controller& c) { return c.layout() == Layout::mainPlusSide; });
    share->setValueBoxWidth(kShareBoxWidth);
    style(share->captionLabel(), TextRole::callout, Tone::primary);
    style(share->valueLabel(), TextRole::calloutDigits, Tone::primary);
    sliders_.push_back(share);
    layouts->addRow(share, true);

    layouts->addRow(buildScreenPicker(layouts), true);

    auto* arrange =
        binder_.action(named(new QPushButton(QStringLiteral("Arrange now"), layouts), "arrangeNow"),
                       [](Controller& c) { c.applyLayout(); });
    binder_.enableWhile(arrange,
                        [](const Controller& c) { return !c.clients().empty() && c.accessibilityGranted(); });
    layouts->addRow(arrange);
    return layouts;
}

QWidget* ControlPanel::buildScreenPicker(QWidget* parent) {
    auto* row = named(new QWidget(parent), "arrangeScreenRow");
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("Arrange on"), row);
    style(caption, TextRole::callout, Tone::primary);
    auto* picker = named(new ChoiceBox(row), "arrangeScreen");
    caption->setBuddy(picker);
    line->addWidget(caption);
    line->addWidget(picker);
    line->addStretch(1);
    QObject::connect(picker, &QComboBox::currentIndexChanged, picker, [this, picker](int index) {
        if (index >= 0) controller_->setArrangeScreen(picker->itemData(index).toString().toStdString());
    });
    binder_.follow([picker](const Controller& c) { showScreenChoices(*picker, c); });
    // With one monitor there is nothing to choose.
    binder_.showWhile(
        row, [](const Controller& c) { return c.screenNames().size() > 1 || !c.arrangeScreen().empty(); });
    return row;
}

PanelSection* ControlPanel::buildPreview() {
    auto* preview = section(QStringLiteral("Live preview"), QStringLiteral("previewSection"));
    preview->addRow(binder_.toggle(
        named(new WrappingCheckBox(QStringLiteral("Show the windows I'm not playing"), preview),
              "showPreview"),
        settings::kShowPreview));

    auto* width = binder_.slider(
        named(new ValueSlider(QStringLiteral("Size"), kWidthRange, &pixelText, preview), "previewWidth"),
        settings::kPreviewWidth);
    binder_.showWhile(width, &Controller::showPreview);
    width->setValueBoxWidth(kWidthBoxWidth);
    style(width->captionLabel(), TextRole::callout, Tone::primary);
    style(width->valueLabel(), TextRole::calloutDigits, Tone::primary);
    sliders_.push_back(width);
    preview->addRow(width, true);

    auto* clickSwitches =
        binder_.toggle(named(new WrappingCheckBox(QStringLiteral("Click a preview to switch to it"), preview),
                             "clickPreviewSwitches"),
                       settings::kPreviewClick);
    binder_.showWhile(clickSwitches, &Controller::showPreview);
    preview->addRow(clickSwitches);
    auto* withGame = binder_.toggle(
        named(new WrappingCheckBox(QStringLiteral("Hide previews while no game is in front"), preview),
              "previewsWithGame"),
        settings::kPreviewsWithGame);
    binder_.showWhile(withGame, &Controller::showPreview);
    preview->addRow(withGame);
    auto* labels = binder_.toggle(
        named(new WrappingCheckBox(QStringLiteral("Show names on previews"), preview), "previewLabels"),
        settings::kPreviewLabels);
    binder_.showWhile(labels, &Controller::showPreview);
    preview->addRow(labels);

    preview->addRow(messageLine(QStringLiteral("previewMessage"),
                                [this](const Controller& c) { return previewMessage(c); }),
                    true);
    return preview;
}

PanelSection* ControlPanel::buildHotkeys() {
    auto* hotkeys = section(QStringLiteral("Switch hotkey"), QStringLiteral("hotkeySection"));
    auto* hotkey =
        binder_.choice(named(new ChoiceBox(hotkeys), "hotkey"), hotkeyItems(texts_), settings::kHotkey);
    hotkeys->titleLabel()->setBuddy(hotkey);
    hotkeys->addRow(hotkey);
    hotkeys->addRow(messageLine(QStringLiteral("hotkeyMessage"),
                                [this](const Controller& c) { return hotkeyMessage(c); }),
                    true);

    auto* jumpRow = named(new QWidget(hotkeys), "jumpRow");
    auto* line = new QHBoxLayout(jumpRow);
    line->setContentsMargins(0, 0, 0, 0);
    auto* jumpCaption = new QLabel(QStringLiteral("Jump keys"), jumpRow);
    style(jumpCaption, TextRole::callout, Tone::primary);
    auto* jumpStyle =
        binder_.choice(named(new ChoiceBox(jumpRow), "jumpStyle"), jumpItems(texts_), settings::kJumpStyle);
    jumpCaption->setBuddy(jumpStyle);
    line->addWidget(jumpCaption);
    line->addWidget(jumpStyle);
    line->addStretch(1);
    hotkeys->addRow(jumpRow, true);
    hotkeys->addRow(
        messageLine(QStringLiteral("jumpMessage"), [this](const Controller& c) { return jumpMessage(c); }),
        true);

    hotkeys->addRow(binder_.toggle(
        named(new WrappingCheckBox(QStringLiteral("Colored border on the active window"), hotkeys),
              "showBorder"),
        settings::kShowBorder));
    auto* switchNow =
        binder_.action(named(new QPushButton(QStringLiteral("Switch now"), hotkeys), "switchNow"),
                       [](Controller& c) { c.switchToNext(); });
    binder_.enableWhile(switchNow, [](const Controller& c) { return c.clients().size() >= 2; });
    hotkeys->addRow(switchNow);
    return hotkeys;
}

void ControlPanel::buildFooter(QVBoxLayout* column) {
    auto* line = new QHBoxLayout;
    line->addStretch(1);
    auto* quitButton = named(new QPushButton(QStringLiteral("Quit Corvane"), this), "quit");
    connect(quitButton, &QPushButton::clicked, this, [this] { quit_(); });
    line->addWidget(quitButton);
    column->addLayout(line);
}

PanelSection* ControlPanel::section(const QString& title, const QString& name) {
    auto* section = new PanelSection(title, this);
    section->setObjectName(name);
    style(section->titleLabel(), TextRole::sectionTitle, Tone::secondary);
    return section;
}

QLabel* ControlPanel::wrappingLabel(const QString& text, const QString& name) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    return label;
}

QLabel* ControlPanel::messageLine(const QString& name, std::function<Message(const Controller&)> rule) {
    QLabel* label = wrappingLabel(QString(), name);
    style(label, TextRole::caption, Tone::secondary);
    binder_.follow([this, label, rule = std::move(rule)](const Controller& c) {
        const Message message = rule(c);
        label->setVisible(!message.text.empty());
        if (message.text.empty()) return;
        label->setText(fromStd(message.text));
        panel_style::applyTone(label, message.tone, palette());
    });
    return label;
}

// Messages -------------------------------------------------------------------

ControlPanel::Message ControlPanel::previewMessage(const Controller& c) const {
    if (!c.showPreview()) return {};
    if (const auto capture = firstOf(c.problems(), {Problem::captureUnavailable}))
        return {text(texts_, *capture), Tone::warning};
    if (c.clients().size() < 2) return {"Shows once a second WoW window is running.", Tone::secondary};
    return {};
}

ControlPanel::Message ControlPanel::hotkeyMessage(const Controller& c) const {
    if (const auto switchKey = firstOf(c.problems(), {Problem::hotkeyTaken, Problem::hotkeyMissing}))
        return {text(texts_, *switchKey), Tone::warning};
    return {};
}

ControlPanel::Message ControlPanel::jumpMessage(const Controller& c) const {
    const auto jumpKeys =
        firstOf(c.problems(), {Problem::jumpKeysTaken, Problem::jumpKeysMissing, Problem::jumpKeysCollide});
    if (jumpKeys) return {text(texts_, *jumpKeys), Tone::warning};
    if (c.jumpStyle() != HotkeyManager::JumpStyle::off)
        return {"Each key goes straight to one window, in the order they appear above.", Tone::secondary};
    return {};
}

// Styling --------------------------------------------------------------------

void ControlPanel::style(QWidget* widget, TextRole role, Tone tone) {
    styled_.push_back({widget, role, tone});
    panel_style::applyRole(widget, role, font());
    panel_style::applyTone(widget, tone, palette());
}

void ControlPanel::applyStyles() {
    for (const Styled& entry : styled_) {
        panel_style::applyRole(entry.widget, entry.role, font());
        panel_style::applyTone(entry.widget, entry.tone, palette());
    }
    for (const auto& [pid, row] : rows_) {
        panel_style::applyRole(row->activeLabel(), TextRole::caption, font());
        panel_style::applyTone(row->activeLabel(), Tone::secondary, palette());
    }
    alignSliders();
}

void ControlPanel::alignSliders() {
    // The tracks start at one x: every caption is as wide as the widest.
    int width = 0;
    for (const ValueSlider* slider : sliders_)
        width = std::max(width, slider->captionLabel()->sizeHint().width());
    for (ValueSlider* slider : sliders_) slider->captionLabel()->setMinimumWidth(width);
}

void ControlPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyStyles();
        refresher_.request();
    }
}

bool ControlPanel::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // A row shown or hidden reaches the panel's layout only after the rows'
    // own layouts have settled, as a layout request; the height is right then.
    if (event->type() == QEvent::LayoutRequest) fitSize();
    return handled;
}

// Refreshing -----------------------------------------------------------------

void ControlPanel::refresh() {
    refreshClients();
    binder_.refresh();
}

void ControlPanel::refreshClients() {
    const Controller& c = *controller_;
    const auto& clients = c.clients();
    for (auto it = rows_.begin(); it != rows_.end();) {
        const platform::Pid pid = it->first;
        if (std::none_of(clients.begin(), clients.end(),
                         [pid](const WowClient& client) { return client.pid == pid; })) {
            delete it->second;
            it = rows_.erase(it);
        } else {
            ++it;
        }
    }
    bool moved = false;
    for (std::size_t slot = 0; slot < clients.size(); ++slot) {
        const WowClient& client = clients[slot];
        ClientRow*& row = rows_[client.pid];
        if (row == nullptr) row = makeRow(client);
        // Moved only when out of place, so a row being edited stays put.
        const int index = static_cast<int>(slot);
        if (clientRows_->indexOf(row) != index) {
            clientRows_->removeWidget(row);
            clientRows_->insertWidget(index, row);
            moved = true;
        }
        row->refresh(client, index, fromStd(c.name(client)), panel_style::toQColor(c.color(client)),
                     c.activePid() == client.pid);
    }
    if (moved) orderTabs();
}

void ControlPanel::orderTabs() {
    // Rows made later would otherwise come last in the tab order, after "Quit Corvane".
    QWidget* previous = adviceButton_;
    for (int i = 0; i < clientRows_->count(); ++i) {
        auto* row = qobject_cast<ClientRow*>(clientRows_->itemAt(i)->widget());
        setTabOrder(previous, row->nameField());
        setTabOrder(row->nameField(), row->focusButton());
        previous = row->focusButton();
    }
}

ClientRow* ControlPanel::makeRow(const WowClient& client) {
    ClientRow::Actions actions{[this](const WowClient& target, const QString& text) {
                                   // The slot is looked up at each edit: earlier clients may have quit
                                   // since the row was made. A row whose client just quit goes away
                                   // with the next refresh.
                                   const auto& now = controller_->clients();
                                   const auto found = std::find(now.begin(), now.end(), target);
                                   if (found == now.end()) return;
                                   controller_->rename(static_cast<int>(found - now.begin()),
                                                       text.toStdString());
                               },
                               [this](const WowClient& target) { controller_->focusClient(target); }};
    auto* row = new ClientRow(client, std::move(actions), clientList_);
    panel_style::applyRole(row->activeLabel(), TextRole::caption, font());
    panel_style::applyTone(row->activeLabel(), Tone::secondary, palette());
    return row;
}

int ControlPanel::fittingWidth() const {
    // Wider where a text that cannot break (a button, a picker) needs it.
    return std::max(panel_style::kPanelWidth, minimumSizeHint().width());
}

void ControlPanel::fitSize() {
    // As a window of its own, the panel is exactly as tall as its rows with
    // every wrapped text at full height.
    const int width = fittingWidth();
    setFixedWidth(width);
    if (isWindow()) setFixedHeight(heightForWidth(width));
}

}  // namespace corvane
