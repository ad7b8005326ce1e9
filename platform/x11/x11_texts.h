#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include "platform/platform_texts.h"

namespace corvane::x11 {

/// What is true on X11: no permission to grant (the connection is the
/// trust), keys held by other X clients, and capture through Composite.
inline platform::PlatformTexts platformTexts() {
    platform::PlatformTexts texts;
    texts.hasAccessibilityPermission = false;
    texts.hotkeyTaken = "That key is taken by another program. Pick a different one.";
    texts.jumpKeysTaken = "Some jump keys are taken by another program. Pick a different set.";
    texts.screenRecordingNeeded =
        "The X server cannot capture windows for the preview: it lacks the Composite extension.";
    return texts;
}

}  // namespace corvane::x11
