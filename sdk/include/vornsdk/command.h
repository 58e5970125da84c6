#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/context.h"
#include "vornsdk/unique_id.h"

namespace VORNSDK {

class MeshInterface;
class SceneItemInterface;
class TreeNodeInterface;

// What the host calls to run a command.
class VORNSDK_API CommandInterface {
public:
    VORNSDK_INTERFACE_ID("3d8c5b22-91f4-4a7d-8e26-5c1b0f2a9d01")
    virtual bool v_execute(Context& context) = 0;
    virtual ~CommandInterface();
    // Tells a command that it now modifies this mesh as part of another command.
    virtual void became_modifier(ComponentInterfacePtrT<CommandInterface> command,
                                 ComponentInterfacePtrT<MeshInterface> mesh) = 0;
};

// The host's command that acts once per selected scene item.
//
// v_execute picks the targets: the item in the context's "Item" parameter when there is one,
// otherwise the current selection of the context's "Scene" (default: the active scene). With no
// target at all it hands the scene's root to execute_scene.
class VORNSDK_API ItemCommand : public CommandInterface {
public:
    bool v_execute(Context& context) override;
    ~ItemCommand() override;
    void became_modifier(ComponentInterfacePtrT<CommandInterface> command,
                         ComponentInterfacePtrT<MeshInterface> mesh) override;
    // Calls execute_item for every item of the list that is a scene item.
    virtual bool execute_selection(ComponentList const& items);
    virtual bool execute_scene(ComponentInterfaceReferenceT<TreeNodeInterface> const& root);
    // The command's work on one item; world is true when the edit is in world coordinates.
    virtual bool execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool world);
};

} // namespace VORNSDK
