#include "platform/x11/x11_windows.h"

#include "platform/x11/border_window.h"

#include <utility>

namespace corvane::x11 {

namespace {

class HiddenPanel final : public platform::Panel {
public:
    explicit HiddenPanel(platform::Rect frame) : frame_(frame) {}

    [[nodiscard]] platform::Rect frame() const override { return frame_; }
    void setFrame(platform::Rect frame, bool /*display*/) override { frame_ = frame; }
    [[nodiscard]] bool isVisible() const override { return visible_; }
    void orderFrontRegardless() override { visible_ = true; }
    void orderOut() override { visible_ = false; }
    void setContents(std::shared_ptr<const platform::Surface> surface) override {
        contents_ = std::move(surface);
    }

private:
    platform::Rect frame_;
    bool visible_ = false;
    std::shared_ptr<const platform::Surface> contents_;
};

}  // namespace

X11Windows::X11Windows(const Connection& connection, EventLoop& loop, X11Screens& screens)
    : connection_(connection), loop_(loop), screens_(screens) {}

std::unique_ptr<platform::BorderWindow> X11Windows::createBorderWindow(DrawFunction draw) {
    return std::make_unique<BorderWindow>(connection_, loop_, screens_, std::move(draw));
}

std::unique_ptr<platform::Panel> X11Windows::createPanel(platform::Rect frame,
                                                         platform::PanelContent& /*content*/) {
    return std::make_unique<HiddenPanel>(frame);
}

}  // namespace corvane::x11
