#pragma once

#include "framework/command.h"

namespace tolvir {

// Base of the one-shot commands meant to act on the mesh element under the pointer, or on the
// selected elements when there is a selection. Declared only: each hover command has its final
// description (the "Element" attribute) but no behaviour yet, so running one fails with a
// message saying so.
class HoverTool : public Command {
public:
    bool v_execute(VORNSDK::Context& context) override;
};

// To select the polygon under the pointer and extend it (declared only).
class HoverExtend : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// To remove the edge loop through the edge under the pointer (declared only).
class HoverLoopRemove : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// To insert an edge loop across the ring of the edge under the pointer (declared only).
class HoverLoop : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// To reverse the winding of the polygon under the pointer (declared only).
class HoverFlip : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// To delete the polygon or the vertex under the pointer (declared only).
class HoverDelete : public HoverTool {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
