#pragma once

#include "framework/interactive_tool.h"

#include "vornsdk/command.h"
#include "vornsdk/scene.h"

namespace tolvir {

// An interactive tool whose attributes describe a mesh edit: the edit is applied to every
// selected item, and again whenever an attribute changes.
class InteractiveModifier : public InteractiveTool, public VORNSDK::ItemCommand {
public:
    void* query_interface(VORNSDK::UniqueID const& id) override;
    void copy_from(VORNSDK::Plugin const& source) override;

    // The edit on one item.
    virtual void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item);
    // The edit on every selected item.
    virtual void reapply();

    bool execute_scene(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::TreeNodeInterface> const& root) override;
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;

protected:
    // True while apply runs for an execution in world coordinates.
    bool world_coordinates() const { return world_; }

private:
    bool world_ = false;
};

} // namespace tolvir
