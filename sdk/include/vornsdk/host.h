#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/string.h"

#include <cstddef>

namespace VORNSDK {

// The application node: its attributes are the user's preferences ("NothingSelectedMeansEverythingSelected",
// "SelectionDrawing", "ActionCenter", "DisplayTracking", "ActiveViewport", "CurrentViewport",
// "SelectionOcclusion", "ToolColor", "ToolColor2", "ParentInPlace").
VORNSDK_API Component app_node();

// Runs a command to completion. target names the item to act on; a null target means the
// current selection, except inside another command's edit of one item, where it means that item.
// Returns false when the command does not exist or reports failure.
VORNSDK_API bool execute(String const& command_name, Component const& target = Component());
VORNSDK_API bool execute(Component const& command, Component const& target = Component());

// Shows a message to the user.
VORNSDK_API void display_message(String const& text);

VORNSDK_API void show_cursor(bool visible);
// Suspends and resumes the host's interactive redraws around a long edit.
VORNSDK_API void disable_interactive();
VORNSDK_API void enable_interactive();
VORNSDK_API void clear_motion_cache();

VORNSDK_API String clipboard_text();
VORNSDK_API void set_clipboard(String const& text);

// Memory from the host's allocator.
VORNSDK_API void* teskar_malloc(std::size_t size);
VORNSDK_API void teskar_free(void* memory);

// Base for objects that live in the host's allocator.
struct MemObject {
    static void* operator new(std::size_t size) { return teskar_malloc(size); }
    static void operator delete(void* p) { teskar_free(p); }
};

} // namespace VORNSDK
