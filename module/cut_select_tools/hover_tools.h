#pragma once

#include "framework/command.h"

namespace tolvir {

// Base of the one-shot commands that act on the mesh element under the pointer, or on the
// selected elements when there is a selection.
class HoverTool : public Command {};

// Selects the polygon under the pointer and extends it.
class HoverExtend : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// Removes the edge loop through the edge under the pointer.
class HoverLoopRemove : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// Inserts an edge loop across the ring of the edge under the pointer.
class HoverLoop : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// Reverses the winding of the polygon under the pointer.
class HoverFlip : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// Deletes the polygon or the vertex under the pointer.
class HoverDelete : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
