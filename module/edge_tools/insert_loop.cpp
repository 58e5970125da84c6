#include "edge_tools/insert_loop.h"

#include "edge_tools/remove_edges.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

// The attributes are driven from the viewport and the tool's key actions rather than the panel, and
// each click commits its own undo step, so attribute changes are not recorded on their own.
DescriptionBuilder internal_attribute(DescriptionBuilder const& builder, char const* name, Parameter::PType type)
{
    return builder.attribute(name, type).show_ui(false).undoable(false);
}

} // namespace

bool EdgeOps::describe(ComponentDescription& description)
{
    DescriptionBuilder const tool = DescriptionBuilder(description)
                                        .category("InteractiveTool")
                                        .sub_category("Edit")
                                        .component_user_name("Insert Loop")
                                        .icon("/icons/edit_insertedge.png")
                                        .ui_hints("model_tools");

    internal_attribute(tool, "SnapCenter", Parameter::PT_BOOL).user_name("Snap to Center").default_value(false);
    internal_attribute(tool, "Stops", Parameter::PT_DOUBLE)
        .user_name("Stopper")
        .default_value(0.0)
        .min(0.0)
        .max(0.5);
    internal_attribute(tool, "flow", Parameter::PT_BOOL).user_name("Flow Constrain").default_value(false);
    internal_attribute(tool, "Stops2", Parameter::PT_DOUBLE)
        .user_name("StopperD")
        .default_value(0.0)
        .min(0.0)
        .max(0.5);
    internal_attribute(tool, "Edge", Parameter::PT_STRING).user_name("Current Edge");
    internal_attribute(tool, "Cut", Parameter::PT_DOUBLE).user_name("Cut").min(0).max(1).step(0.05);
    internal_attribute(tool, "Slices", Parameter::PT_INT).user_name("Slices").default_value(1).min(1);
    internal_attribute(tool, "Mirror", Parameter::PT_BOOL).user_name("Mirror").default_value(false);
    internal_attribute(tool, "Absolute", Parameter::PT_BOOL).user_name("Absolute").default_value(false);

    set_key_bindings(description, {
                                      {"IncSlice", "Up", "Moment"},
                                      {"DecSlice", "Down", "Moment"},
                                      {"Mirror", "'", "Moment"},
                                      {"RemoveLoop", "Ctrl", "Moment"},
                                      {"SlideLoop", "Shift", "Moment"},
                                  });
    return true;
}

Status register_insert_loop(PluginModuleRegistrar& registrar)
{
    register_component_class<EdgeOps>(registrar, "InsertLoop");
    // The tool runs RemoveEdges by name to take a loop out again.
    register_component_class<RemoveEdges>(registrar, "RemoveEdges");
    return Status(0);
}

} // namespace tolvir
