#pragma once

#include "framework/command.h"

namespace tolvir {

// The worker behind the hard and soft edge commands: marks edges with the value of "hard",
// restricted to the outline of a polygon selection when "outline" is set.
class EdgesOperator : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

// The front commands each run EdgesOperator with one fixed pair of "hard" and "outline".
class HardEdgesPatchCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

class SoftEdgesPatchCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

class HardEdgesOutlineCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

class SoftEdgesOutlineCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
