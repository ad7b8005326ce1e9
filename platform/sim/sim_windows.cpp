#include <algorithm>

#include "platform/sim/sim_services.h"

namespace corvane::sim {

namespace {

class RecordingCanvas final : public platform::Canvas {
public:
    void strokeRect(platform::Rect rect, platform::Color color, double lineWidth) override {
        strokes.push_back({rect, color, lineWidth});
    }
    std::vector<SimDesktop::BorderState::Stroke> strokes;
};

class SimBorderWindow final : public platform::BorderWindow, public SimDesktop::BorderState {
public:
    SimBorderWindow(SimWindows& owner, CallLog& calls, platform::WindowService::DrawFunction draw)
        : owner_(owner), calls_(calls), draw_(std::move(draw)) {}
    ~SimBorderWindow() override { owner_.forget(this); }
    SimBorderWindow(const SimBorderWindow&) = delete;
    SimBorderWindow& operator=(const SimBorderWindow&) = delete;
    SimBorderWindow(SimBorderWindow&&) = delete;
    SimBorderWindow& operator=(SimBorderWindow&&) = delete;

    [[nodiscard]] platform::Rect frame() const override { return frame_; }
    void setFrame(platform::Rect frame, bool display) override {
        calls_.record(format("border setFrame {}{}", describe(frame), display ? " display" : ""));
        frame_ = frame;
    }
    [[nodiscard]] bool isVisible() const override { return visible_; }
    void orderFrontRegardless() override {
        calls_.record("border orderFront");
        visible_ = true;
    }
    void orderOut() override {
        calls_.record("border orderOut");
        visible_ = false;
    }
    void setNeedsDisplay() override { calls_.record("border setNeedsDisplay"); }

    [[nodiscard]] bool visible() const override { return visible_; }
    std::vector<Stroke> display() override {
        RecordingCanvas canvas;
        if (draw_) draw_(canvas, {0, 0, frame_.width, frame_.height});
        return canvas.strokes;
    }

private:
    SimWindows& owner_;
    CallLog& calls_;
    platform::WindowService::DrawFunction draw_;
    platform::Rect frame_;
    bool visible_ = false;
};

class SimPanel final : public platform::Panel, public SimDesktop::PanelState {
public:
    SimPanel(SimWindows& owner, CallLog& calls, int number, platform::Rect frame,
             platform::PanelContent& content)
        : owner_(owner), calls_(calls), number_(number), frame_(frame), content_(content) {}
    ~SimPanel() override { owner_.forget(this); }
    SimPanel(const SimPanel&) = delete;
    SimPanel& operator=(const SimPanel&) = delete;
    SimPanel(SimPanel&&) = delete;
    SimPanel& operator=(SimPanel&&) = delete;

    [[nodiscard]] platform::Rect frame() const override { return frame_; }
    void setFrame(platform::Rect frame, bool display) override {
        calls_.record(format("panel{} setFrame {}{}", number_, describe(frame), display ? " display" : ""));
        frame_ = frame;
    }
    [[nodiscard]] bool isVisible() const override { return visible_; }
    void orderFrontRegardless() override {
        calls_.record(format("panel{} orderFront", number_));
        visible_ = true;
    }
    void orderOut() override {
        calls_.record(format("panel{} orderOut", number_));
        visible_ = false;
    }
    void setContents(std::shared_ptr<const platform::Surface> surface) override {
        contents_ = std::move(surface);
    }
    void setLabel(std::optional<platform::PanelLabel> label) override {
        calls_.record(format("panel{} label {}", number_, label ? label->text : "none"));
        label_ = std::move(label);
    }
    [[nodiscard]] std::optional<platform::PanelLabel> label() const override { return label_; }

    [[nodiscard]] int number() const override { return number_; }
    [[nodiscard]] bool visible() const override { return visible_; }
    [[nodiscard]] std::shared_ptr<const platform::Surface> contents() const override { return contents_; }
    void click(int clickCount) override { content_.mouseUp(clickCount); }
    void drag(double dx, double dy) override {
        frame_.x += dx;
        frame_.y += dy;
        content_.mouseDragged();
    }

private:
    SimWindows& owner_;
    CallLog& calls_;
    int number_;
    platform::Rect frame_;
    platform::PanelContent& content_;
    bool visible_ = false;
    std::shared_ptr<const platform::Surface> contents_;
    std::optional<platform::PanelLabel> label_;
};

}  // namespace

std::unique_ptr<platform::BorderWindow> SimWindows::createBorderWindow(DrawFunction draw) {
    calls_.record("createBorderWindow");
    auto window = std::make_unique<SimBorderWindow>(*this, calls_, std::move(draw));
    borders_.push_back(window.get());
    return window;
}

std::unique_ptr<platform::Panel> SimWindows::createPanel(platform::Rect frame,
                                                         platform::PanelContent& content) {
    const int number = nextPanel_++;
    calls_.record(format("createPanel{} {}", number, describe(frame)));
    auto panel = std::make_unique<SimPanel>(*this, calls_, number, frame, content);
    panels_.push_back(panel.get());
    return panel;
}

std::vector<SimDesktop::BorderState*> SimWindows::borders() const {
    return borders_;
}
std::vector<SimDesktop::PanelState*> SimWindows::panels() const {
    return panels_;
}

void SimWindows::forget(const SimDesktop::BorderState* border) {
    borders_.erase(std::remove(borders_.begin(), borders_.end(), border), borders_.end());
}

void SimWindows::forget(const SimDesktop::PanelState* panel) {
    panels_.erase(std::remove(panels_.begin(), panels_.end(), panel), panels_.end());
}

}  // namespace corvane::sim
