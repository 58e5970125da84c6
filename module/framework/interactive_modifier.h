#pragma once

#include "framework/interactive_tool.h"

#include "vornsdk/command.h"
#include "vornsdk/scene.h"

#include <functional>

namespace tolvir {

// An interactive tool whose attributes describe a mesh edit. The edit is applied to every
// selected item, and again from the restored mesh each time an attribute changes, all within
// the tool's undo step; so one use of a tool is one undo step. A tool that makes discrete edits
// commits after each: the step closes, the next opens, and the attributes return to their defaults.
class InteractiveModifier : public InteractiveTool, public VORNSDK::ItemCommand {
public:
    void* query_interface(VORNSDK::UniqueID const& id) override;
    void copy_from(VORNSDK::Plugin const& source) override;

    // The edit on one item.
    virtual void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item);
    // The edit on every selected item.
    virtual void reapply();

    bool execute_scene(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::TreeNodeInterface> const& root) override;
    // Applies the edit to one item inside a mesh edit of its mesh (when it has one).
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;

    // Re-applies from the restored mesh within the tool's undo step.
    void handle_attribute_change(std::uint32_t value) override;

    // Ends the undo step of the edit made so far and resets every attribute to its default.
    void commit();

    // Makes several attribute changes that re-apply the edit once, as a single change does.
    template <class Changes>
    void change_together(Changes&& changes)
    {
        {
            ScopedFlag const suppressed = suppress_reapply();
            changes();
        }
        reapply_in_step();
    }

protected:
    // True while apply runs for an execution in world coordinates.
    bool world_coordinates() const { return world_; }
    // Takes the edit back, makes a change on the scene as it was before the tool (with
    // re-application suppressed, so that attribute writes do not re-apply one by one), and
    // applies the edit again, all within the tool's undo step: for tools that set themselves up
    // from the selection as it was before they touched it.
    void reapply_with(std::function<void()> const& change);
    // The name of the attribute with this index (attribute_changed's value); null when none.
    VORNSDK::String attribute_name(std::uint32_t index) const;

private:
    // Re-applies from the restored mesh within the tool's undo step, when the tool is in use.
    void reapply_in_step();

    bool world_ = false;
};

} // namespace tolvir
