#pragma once

#include "framework/command.h"

namespace tolvir {

// The worker behind the hard and soft edge commands: marks edges with the value of "hard",
// restricted to the outline of a polygon selection when "outline" is set.
class EdgesOperator : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// The front commands each run EdgesOperator with one fixed pair of "hard" and "outline".
class HardEdgesPatchCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

class SoftEdgesPatchCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

class HardEdgesOutlineCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

class SoftEdgesOutlineCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
