#pragma once

#include "framework/command.h"

namespace tolvir {

// Splits a mesh item into its connected pieces, each a new scene item under one new group.
class BreakCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
