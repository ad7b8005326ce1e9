#include "corvane/panel/control_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
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
#include "corvane/panel/client_row.h"
#include "corvane/panel/panel_section.h"
#include "corvane/panel/rounded_box.h"
#include "corvane/panel/value_slider.h"
#include "corvane/system_colors.h"

namespace corvane {

namespace {

using panel_style::TextRole;
using panel_style::Tone;

constexpr double kAdviceOpacity = 0.15;
constexpr double kAdviceRadius = 8;
constexpr int kAdviceMargin = 10;
constexpr int kAdviceSpacing = 6;
constexpr int kShareBoxWidth = 40;
constexpr int kWidthBoxWidth = 52;
// Fine enough that no step shows: 0.0001 of share, 0.1 point of width.
constexpr ValueSlider::Range kShareRange{0.5, 0.85, 3500};
constexpr ValueSlider::Range kWidthRange{240, 900, 6600};

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

/// The first of `wanted` among `problems`.
std::optional<Problem> firstOf(const std::vector<Problem>& problems, std::initializer_list<Problem> wanted) {
    for (const Problem problem : problems) {
        if (std::find(wanted.begin(), wanted.end(), problem) != wanted.end()) return problem;
    }
    return std::nullopt;
}

}  // namespace

ControlPanel::ControlPanel(std::shared_ptr<Controller> controller, platform::PlatformTexts texts,
                           std::function<void()> quit, QWidget* parent)
    : QWidget(parent),
      controller_(std::move(controller)),
      texts_(std::move(texts)),
      quit_(std::move(quit)),
      refresher_(this, [this] { refresh(); }) {
    build();
    refresh();
    fitHeight();
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
    return {panel_style::kPanelWidth, heightForWidth(panel_style::kPanelWidth)};
}

// Building -------------------------------------------------------------------

void ControlPanel::build() {
    setObjectName(QStringLiteral("controlPanel"));
    setFixedWidth(panel_style::kPanelWidth);
    // The panel holds the focus when it opens, so that opening it does not
    // start editing the first name; a click on its background ends an edit.
    setFocusPolicy(Qt::ClickFocus);
    setFocus();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(panel_style::kPanelMargin, panel_style::kPanelMargin,
                               panel_style::kPanelMargin, panel_style::kPanelMargin);
    column->setSpacing(panel_style::kRowSpacing);
    // The height comes from the rows' height for the panel's width (fitHeight);
    // the layout's own minimum ignores how wrapped text breaks.
    column->setSizeConstraint(QLayout::SetNoConstraint);

    auto* title = new QLabel(QStringLiteral("Corvane"), this);
    title->setObjectName(QStringLiteral("title"));
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
}

void ControlPanel::buildAdvice(QVBoxLayout* column) {
    QColor orange = panel_style::toQColor(system_color::kOrange);
    orange.setAlphaF(static_cast<float>(kAdviceOpacity));
    advice_ = new RoundedBox(orange, kAdviceRadius, this);
    advice_->setObjectName(QStringLiteral("accessibilityAdvice"));
    auto* box = new QVBoxLayout(advice_);
    box->setContentsMargins(kAdviceMargin, kAdviceMargin, kAdviceMargin, kAdviceMargin);
    box->setSpacing(kAdviceSpacing);
    auto* text = wrappingLabel(
        QStringLiteral("Corvane needs Accessibility access to move and focus your WoW windows."),
        QStringLiteral("adviceText"));
    style(text, TextRole::callout, Tone::primary);
    box->addWidget(text);
    adviceButton_ = new QPushButton(QStringLiteral("Open Accessibility settings"), advice_);
    adviceButton_->setObjectName(QStringLiteral("openAccessibility"));
    connect(adviceButton_, &QPushButton::clicked, this, [this] { controller_->requestAccessibility(); });
    box->addWidget(adviceButton_, 0, Qt::AlignLeft);
    column->addWidget(advice_);
}

PanelSection* ControlPanel::buildWindows() {
    auto* section = new PanelSection(QStringLiteral("Windows"), this);
    section->setObjectName(QStringLiteral("windowsSection"));
    style(section->titleLabel(), TextRole::sectionTitle, Tone::secondary);
    noClients_ = wrappingLabel(
        QStringLiteral("No WoW clients running. Start your games from Battle.net in windowed mode."),
        QStringLiteral("noClients"));
    style(noClients_, TextRole::callout, Tone::secondary);
    section->addRow(noClients_, true);
    clientList_ = new QWidget(section);
    clientList_->setObjectName(QStringLiteral("clients"));
    clientRows_ = new QVBoxLayout(clientList_);
    clientRows_->setContentsMargins(0, 0, 0, 0);
    clientRows_->setSpacing(panel_style::kSectionSpacing);
    section->addRow(clientList_, true);
    return section;
}

PanelSection* ControlPanel::buildLayout() {
    auto* section = new PanelSection(QStringLiteral("Layout"), this);
    section->setObjectName(QStringLiteral("layoutSection"));
    style(section->titleLabel(), TextRole::sectionTitle, Tone::secondary);

    auto* segments = new QWidget(section);
    segments->setObjectName(QStringLiteral("layoutPicker"));
    auto* line = new QHBoxLayout(segments);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(0);
    layouts_ = new QButtonGroup(this);
    layouts_->setExclusive(true);
    for (std::size_t i = 0; i < layout::kAllCases.size(); ++i) {
        const Layout value = layout::kAllCases[i];
        auto* segment = new QPushButton(fromStd(std::string(layout::title(value))), segments);
        segment->setObjectName(fromStd(std::string(layout::rawValue(value))));
        segment->setCheckable(true);
        layouts_->addButton(segment, static_cast<int>(i));
        line->addWidget(segment, 1);
    }
    styleSegments();
    connect(layouts_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) controller_->setLayout(layout::kAllCases.at(static_cast<std::size_t>(id)));
    });
    section->addRow(segments, true);

    mainShare_ = new ValueSlider(
        QStringLiteral("Main window"), kShareRange, &ControlPanel::percentText,
        [this](double value) { controller_->setMainShare(value); }, section);
    mainShare_->setObjectName(QStringLiteral("mainShare"));
    mainShare_->setValueBoxWidth(kShareBoxWidth);
    style(mainShare_->captionLabel(), TextRole::callout, Tone::primary);
    style(mainShare_->valueLabel(), TextRole::calloutDigits, Tone::primary);
    section->addRow(mainShare_, true);

    arrange_ = new QPushButton(QStringLiteral("Arrange now"), section);
    arrange_->setObjectName(QStringLiteral("arrangeNow"));
    connect(arrange_, &QPushButton::clicked, this, [this] { controller_->applyLayout(); });
    section->addRow(arrange_);
    return section;
}

PanelSection* ControlPanel::buildPreview() {
    auto* section = new PanelSection(QStringLiteral("Live preview"), this);
    section->setObjectName(QStringLiteral("previewSection"));
    style(section->titleLabel(), TextRole::sectionTitle, Tone::secondary);

    showPreview_ = new QCheckBox(QStringLiteral("Show the windows I'm not playing"), section);
    showPreview_->setObjectName(QStringLiteral("showPreview"));
    connect(showPreview_, &QCheckBox::clicked, this, [this](bool on) { controller_->setShowPreview(on); });
    section->addRow(showPreview_);

    previewWidth_ = new ValueSlider(
        QStringLiteral("Size"), kWidthRange, &ControlPanel::pixelText,
        [this](double value) { controller_->setPreviewWidth(value); }, section);
    previewWidth_->setObjectName(QStringLiteral("previewWidth"));
    previewWidth_->setValueBoxWidth(kWidthBoxWidth);
    style(previewWidth_->captionLabel(), TextRole::callout, Tone::primary);
    style(previewWidth_->valueLabel(), TextRole::calloutDigits, Tone::primary);
    section->addRow(previewWidth_, true);

    clickSwitches_ = new QCheckBox(QStringLiteral("Click a preview to switch to it"), section);
    clickSwitches_->setObjectName(QStringLiteral("clickPreviewSwitches"));
    connect(clickSwitches_, &QCheckBox::clicked, this,
            [this](bool on) { controller_->setClickPreviewSwitches(on); });
    section->addRow(clickSwitches_);

    previewMessage_ = wrappingLabel(QString(), QStringLiteral("previewMessage"));
    style(previewMessage_, TextRole::caption, Tone::secondary);
    section->addRow(previewMessage_, true);
    return section;
}

PanelSection* ControlPanel::buildHotkeys() {
    auto* section = new PanelSection(QStringLiteral("Switch hotkey"), this);
    section->setObjectName(QStringLiteral("hotkeySection"));
    style(section->titleLabel(), TextRole::sectionTitle, Tone::secondary);

    hotkey_ = new QComboBox(section);
    hotkey_->setObjectName(QStringLiteral("hotkey"));
    for (const auto& choice : HotkeyManager::cycleChoices())
        hotkey_->addItem(fromStd(HotkeyManager::label(choice, texts_)), fromStd(choice.id));
    connect(hotkey_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) controller_->setHotkeyID(hotkey_->itemData(index).toString().toStdString());
    });
    section->addRow(hotkey_);

    hotkeyMessage_ = wrappingLabel(QString(), QStringLiteral("hotkeyMessage"));
    style(hotkeyMessage_, TextRole::caption, Tone::warning);
    section->addRow(hotkeyMessage_, true);

    auto* jumpRow = new QWidget(section);
    jumpRow->setObjectName(QStringLiteral("jumpRow"));
    auto* line = new QHBoxLayout(jumpRow);
    line->setContentsMargins(0, 0, 0, 0);
    auto* jumpCaption = new QLabel(QStringLiteral("Jump keys"), jumpRow);
    style(jumpCaption, TextRole::callout, Tone::primary);
    line->addWidget(jumpCaption);
    jumpStyle_ = new QComboBox(jumpRow);
    jumpStyle_->setObjectName(QStringLiteral("jumpStyle"));
    for (const auto jump : HotkeyManager::allJumpStyles()) {
        jumpStyle_->addItem(fromStd(HotkeyManager::title(jump, texts_)));
    }
    connect(jumpStyle_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            controller_->setJumpStyle(HotkeyManager::allJumpStyles().at(static_cast<std::size_t>(index)));
    });
    line->addWidget(jumpStyle_);
    line->addStretch(1);
    section->addRow(jumpRow, true);

    jumpMessage_ = wrappingLabel(QString(), QStringLiteral("jumpMessage"));
    style(jumpMessage_, TextRole::caption, Tone::secondary);
    section->addRow(jumpMessage_, true);

    showBorder_ = new QCheckBox(QStringLiteral("Colored border on the active window"), section);
    showBorder_->setObjectName(QStringLiteral("showBorder"));
    connect(showBorder_, &QCheckBox::clicked, this, [this](bool on) { controller_->setShowBorder(on); });
    section->addRow(showBorder_);

    switchNow_ = new QPushButton(QStringLiteral("Switch now"), section);
    switchNow_->setObjectName(QStringLiteral("switchNow"));
    connect(switchNow_, &QPushButton::clicked, this, [this] { controller_->switchToNext(); });
    section->addRow(switchNow_);
    return section;
}

void ControlPanel::buildFooter(QVBoxLayout* column) {
    auto* line = new QHBoxLayout;
    line->addStretch(1);
    auto* quitButton = new QPushButton(QStringLiteral("Quit Corvane"), this);
    quitButton->setObjectName(QStringLiteral("quit"));
    connect(quitButton, &QPushButton::clicked, this, [this] { quit_(); });
    line->addWidget(quitButton);
    column->addLayout(line);
}

QLabel* ControlPanel::wrappingLabel(const QString& text, const QString& name) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    return label;
}

// Styling --------------------------------------------------------------------

void ControlPanel::style(QWidget* widget, TextRole role, Tone tone) {
    styled_.push_back({widget, role, tone});
    panel_style::applyRole(widget, role, font());
    panel_style::applyTone(widget, tone, palette());
}

void ControlPanel::styleSegments() {
    // A style sheet takes the palette's colours when it is set: set again
    // after every palette change.
    const auto segments = layouts_->buttons();
    for (qsizetype i = 0; i < segments.size(); ++i) {
        segments[i]->setStyleSheet(panel_style::segmentStyleSheet(i == 0, i + 1 == segments.size()));
    }
}

void ControlPanel::applyStyles() {
    styleSegments();
    for (const Styled& entry : styled_) {
        panel_style::applyRole(entry.widget, entry.role, font());
        panel_style::applyTone(entry.widget, entry.tone, palette());
    }
    for (const auto& [pid, row] : rows_) {
        panel_style::applyRole(row->activeLabel(), TextRole::caption, font());
        panel_style::applyTone(row->activeLabel(), Tone::secondary, palette());
    }
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
    if (event->type() == QEvent::LayoutRequest) fitHeight();
    return handled;
}

void ControlPanel::showMessage(QLabel* label, const std::string& text, Tone tone) {
    label->setVisible(!text.empty());
    if (text.empty()) return;
    label->setText(fromStd(text));
    panel_style::applyTone(label, tone, palette());
}

// Refreshing -----------------------------------------------------------------

void ControlPanel::refresh() {
    advice_->setVisible(texts_.hasAccessibilityPermission && !controller_->accessibilityGranted());
    refreshClients();
    refreshLayout();
    refreshPreview();
    refreshHotkeys();
}

void ControlPanel::refreshClients() {
    const Controller& c = *controller_;
    const auto& clients = c.clients();
    noClients_->setVisible(clients.empty());
    clientList_->setVisible(!clients.empty());

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
        row->refresh(client, fromStd(c.name(client)), panel_style::toQColor(c.color(client)),
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

void ControlPanel::refreshLayout() {
    const Controller& c = *controller_;
    const auto found = std::find(layout::kAllCases.begin(), layout::kAllCases.end(), c.layout());
    {
        const QSignalBlocker quiet(layouts_);
        layouts_->button(static_cast<int>(found - layout::kAllCases.begin()))->setChecked(true);
    }
    mainShare_->setVisible(c.layout() == Layout::mainPlusSide);
    mainShare_->refresh(c.mainShare());
    arrange_->setEnabled(!c.clients().empty() && c.accessibilityGranted());
}

void ControlPanel::refreshPreview() {
    const Controller& c = *controller_;
    const bool on = c.showPreview();
    showPreview_->setChecked(on);
    previewWidth_->setVisible(on);
    clickSwitches_->setVisible(on);
    previewWidth_->refresh(c.previewWidth());
    clickSwitches_->setChecked(c.clickPreviewSwitches());
    if (const auto problem = firstOf(c.problems(), {Problem::captureUnavailable}); on && problem) {
        showMessage(previewMessage_, text(texts_, *problem), Tone::warning);
    } else if (on && c.clients().size() < 2) {
        showMessage(previewMessage_, "Shows once a second WoW window is running.", Tone::secondary);
    } else {
        showMessage(previewMessage_, {}, Tone::secondary);
    }
}

void ControlPanel::refreshHotkeys() {
    const Controller& c = *controller_;
    {
        const QSignalBlocker quiet(hotkey_);
        // An id that is no choice selects nothing (index -1).
        hotkey_->setCurrentIndex(hotkey_->findData(fromStd(c.hotkeyID())));
    }
    const auto problems = c.problems();
    const auto switchProblem = firstOf(problems, {Problem::hotkeyTaken, Problem::hotkeyMissing});
    showMessage(hotkeyMessage_, switchProblem ? text(texts_, *switchProblem) : std::string(), Tone::warning);
    {
        const auto& styles = HotkeyManager::allJumpStyles();
        const QSignalBlocker quiet(jumpStyle_);
        jumpStyle_->setCurrentIndex(
            static_cast<int>(std::find(styles.begin(), styles.end(), c.jumpStyle()) - styles.begin()));
    }
    const auto jumpProblem =
        firstOf(problems, {Problem::jumpKeysTaken, Problem::jumpKeysMissing, Problem::jumpKeysCollide});
    if (jumpProblem) {
        showMessage(jumpMessage_, text(texts_, *jumpProblem), Tone::warning);
    } else if (c.jumpStyle() != HotkeyManager::JumpStyle::off) {
        showMessage(jumpMessage_, "Each key goes straight to one window, in the order they appear above.",
                    Tone::secondary);
    } else {
        showMessage(jumpMessage_, {}, Tone::secondary);
    }
    showBorder_->setChecked(c.showBorder());
    switchNow_->setEnabled(c.clients().size() >= 2);
}

void ControlPanel::fitHeight() {
    // As a window of its own, the panel is exactly as tall as its rows with
    // every wrapped text at full height.
    if (isWindow()) setFixedHeight(heightForWidth(panel_style::kPanelWidth));
}

}  // namespace corvane
