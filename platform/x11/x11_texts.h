// What the panel says on X11 where another platform would name its own settings.
#pragma once

#include "platform/platform_texts.h"

namespace corvane::x11 {

/// What is true on X11: no permission to grant (the connection is the
/// trust), keys held by other X clients, capture through Composite, and the
/// Alt key where a Mac has Option. Plain text, without X11 headers: the panel
/// tests use it too.
inline platform::PlatformTexts platformTexts() {
    platform::PlatformTexts texts;
    texts.hasAccessibilityPermission = false;
    texts.hotkeyTaken = "That key is taken by another program. Pick a different one.";
    texts.jumpKeysTaken = "Some jump keys are taken by another program. Pick a different set.";
    texts.screenRecordingNeeded =
        "The X server cannot capture windows for the preview: it lacks the Composite extension.";
    texts.x11KeyLabels = true;
    return texts;
}

}  // namespace corvane::x11
