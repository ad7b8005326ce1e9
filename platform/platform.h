#pragma once

#include "platform/accessibility.h"
#include "platform/capture_service.h"
#include "platform/defaults_store.h"
#include "platform/hot_key_service.h"
#include "platform/main_queue.h"
#include "platform/screens.h"
#include "platform/window_service.h"
#include "platform/workspace.h"

namespace corvane::platform {

/// Every service the program uses, owned elsewhere (by the backend).
/// All of them must outlive the controller.
struct Platform {
    Workspace& workspace;
    ProcessInfo& processInfo;
    Accessibility& accessibility;
    Screens& screens;
    DefaultsStore& defaults;
    MainQueue& mainQueue;
    HotKeyService& hotKeys;
    WindowService& windows;
    CaptureService& capture;
};

}  // namespace corvane::platform
