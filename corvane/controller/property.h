#pragma once

namespace corvane {

/// The controller's published properties, in declaration order.
enum class Property {
    clients,
    activePid,
    accessibilityGranted,
    hotkeyRegistered,
    jumpKeysRegistered,
    layout,
    hotkeyID,
    showBorder,
    names,
    showPreview,
    previewWidth,
    jumpStyle,
    clickPreviewSwitches,
    previewNeedsPermission,
    mainShare,
    keepSlots,
    previewsWithGame,
    previewLabels,
    arrangeScreen,
};

}  // namespace corvane
