#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corvane/panel/panel_style.h"
#include "corvane/panel/refresh_coalescer.h"
#include "corvane/panel/setting_binder.h"
#include "platform/geometry.h"
#include "platform/platform_texts.h"

class QAbstractButton;
class QLabel;
class QVBoxLayout;

namespace corvane {

class ClientRow;
class Controller;
struct WowClient;
class PanelSection;
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
    /// A line of text with its tone; no text hides the line.
    struct Message {
        std::string text;
        panel_style::Tone tone = panel_style::Tone::secondary;
    };

    void build();
    void buildAdvice(QVBoxLayout* column);
    PanelSection* buildWindows();
    PanelSection* buildLayout();
    QWidget* buildScreenPicker(QWidget* parent);
    PanelSection* buildPreview();
    PanelSection* buildHotkeys();
    void buildFooter(QVBoxLayout* column);
    PanelSection* section(const QString& title, const QString& name);
    QLabel* wrappingLabel(const QString& text, const QString& name);
    /// A line that shows `rule`'s message for the controller's state.
    QLabel* messageLine(const QString& name, std::function<Message(const Controller&)> rule);

    [[nodiscard]] Message previewMessage(const Controller& c) const;
    [[nodiscard]] Message hotkeyMessage(const Controller& c) const;
    [[nodiscard]] Message jumpMessage(const Controller& c) const;

    void refresh();
    void refreshClients();
    ClientRow* makeRow(const WowClient& client);
    void orderTabs();
    [[nodiscard]] int fittingWidth() const;
    void fitSize();

    /// Gives a text widget its role and tone now and after every palette or font change.
    void style(QWidget* widget, panel_style::TextRole role, panel_style::Tone tone);
    void applyStyles();
    void alignSliders();

    std::shared_ptr<Controller> controller_;
    platform::PlatformTexts texts_;
    std::function<void()> quit_;
    int observer_ = 0;
    RefreshCoalescer refresher_;
    SettingBinder binder_;

    struct Styled {
        QWidget* widget;
        panel_style::TextRole role;
        panel_style::Tone tone;
    };
    std::vector<Styled> styled_;

    QAbstractButton* adviceButton_ = nullptr;
    std::vector<ValueSlider*> sliders_;
    QWidget* clientList_ = nullptr;
    QVBoxLayout* clientRows_ = nullptr;
    std::map<platform::Pid, ClientRow*> rows_;
};

}  // namespace corvane
