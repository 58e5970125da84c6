#pragma once

#include "teskar/mesh.h"
#include "teskar/registry.h"

#include "vornsdk/command.h"
#include "vornsdk/plugin.h"

namespace teskar {

// Base of the host's mesh commands: once per target item that carries a mesh, edit_mesh runs
// inside one mesh edit. Items without a mesh are passed over; a command never reports failure
// for having nothing to do.
class MeshCommand : public VORNSDK::Plugin, public VORNSDK::ItemCommand {
public:
    // Tags every host command shares: category, sub-category and a user name equal to its
    // registered name, which also names its undo step.
    static void describe_command(VORNSDK::ComponentDescription& d, char const* name, char const* sub_category);

    void* query_interface(VORNSDK::UniqueID const& id) override;
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;

protected:
    virtual void edit_mesh(Mesh& mesh) = 0;
};

// The registrations of each group of host commands.
void register_selection_commands(Registry& registry);
void register_list_selection_commands(Registry& registry);
void register_remove_command(Registry& registry);
void register_connect_command(Registry& registry);
void register_extend_command(Registry& registry);

// All of the above.
void register_host_commands(Registry& registry);

} // namespace teskar
