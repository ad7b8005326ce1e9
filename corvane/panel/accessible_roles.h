#pragma once

namespace corvane {

/// Tells Qt's accessibility the roles of the panel's own widget classes,
/// which it would otherwise read as plain containers: the panel is a window
/// and a segmented picker a group of choices. Once is enough; again is harmless.
void installAccessibleRoles();

}  // namespace corvane
