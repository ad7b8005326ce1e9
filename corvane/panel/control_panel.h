#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "corvane/panel/panel_style.h"
#include "corvane/panel/refresh_coalescer.h"
#include "platform/geometry.h"
#include "platform/platform_texts.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace corvane {

class ClientRow;
class Controller;
struct WowClient;
class PanelSection;
class RoundedBox;
class ValueSlider;

/// The program's window of controls: shows the controller's state and writes
/// every change through it. Holds no state of its own; rebuilt (at most once
/// per event-loop turn) whenever the controller announces a change.
class ControlPanel : public QWidget {
    Q_OBJECT

public:
    ControlPanel(std::shared_ptr<Controller> controller, platform::PlatformTexts texts,
                 std::function<void()> quit, QWidget* parent = nullptr);
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;
    ControlPanel(ControlPanel&&) = delete;
    ControlPanel& operator=(ControlPanel&&) = delete;

    /// The share as a whole percentage, "72%"; "–%" for a value that is not a number.
    static QString percentText(double share);
    /// The width in whole points, "420px"; "–px" for a value that is not a number.
    static QString pixelText(double width);

    /// The panel's width and the height its rows need at that width.
    [[nodiscard]] QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    void buildAdvice(QVBoxLayout* column);
    PanelSection* buildWindows();
    PanelSection* buildLayout();
    PanelSection* buildPreview();
    PanelSection* buildHotkeys();
    void buildFooter(QVBoxLayout* column);

    void refresh();
    void refreshClients();
    ClientRow* makeRow(const WowClient& client);
    void orderTabs();
    void refreshLayout();
    void refreshPreview();
    void refreshHotkeys();
    void fitHeight();

    /// Gives a text widget its role and tone now and after every palette or font change.
    void style(QWidget* widget, panel_style::TextRole role, panel_style::Tone tone);
    void applyStyles();
    void styleSegments();
    /// Shows a message with its tone, or hides it when `text` is empty.
    void showMessage(QLabel* label, const std::string& text, panel_style::Tone tone);
    QLabel* wrappingLabel(const QString& text, const QString& name);

    std::shared_ptr<Controller> controller_;
    platform::PlatformTexts texts_;
    std::function<void()> quit_;
    int observer_ = 0;
    RefreshCoalescer refresher_;

    struct Styled {
        QWidget* widget;
        panel_style::TextRole role;
        panel_style::Tone tone;
    };
    std::vector<Styled> styled_;

    RoundedBox* advice_ = nullptr;
    QPushButton* adviceButton_ = nullptr;
    QLabel* noClients_ = nullptr;
    QWidget* clientList_ = nullptr;
    QVBoxLayout* clientRows_ = nullptr;
    std::map<platform::Pid, ClientRow*> rows_;
    QButtonGroup* layouts_ = nullptr;
    ValueSlider* mainShare_ = nullptr;
    QPushButton* arrange_ = nullptr;
    QCheckBox* showPreview_ = nullptr;
    ValueSlider* previewWidth_ = nullptr;
    QCheckBox* clickSwitches_ = nullptr;
    QLabel* previewMessage_ = nullptr;
    QComboBox* hotkey_ = nullptr;
    QLabel* hotkeyMessage_ = nullptr;
    QComboBox* jumpStyle_ = nullptr;
    QLabel* jumpMessage_ = nullptr;
    QCheckBox* showBorder_ = nullptr;
    QPushButton* switchNow_ = nullptr;
};

}  // namespace corvane
