#pragma once

#include "vornsdk/component.h"
#include "vornsdk/mesh.h"
#include "vornsdk/string.h"

namespace tolvir {

// Creates a scene item of a registered type named name under parent (a scene or an item).
// With select, the new item becomes the only selected item. Null when the type is unknown.
VORNSDK::Component create_scene_item(VORNSDK::Component const& parent, VORNSDK::String const& type,
                                     VORNSDK::String const& name, bool select);

} // namespace tolvir
