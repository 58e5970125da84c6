#include "edge_tools/remove_edges.h"

#include "framework/description_builder.h"

namespace tolvir {

using namespace VORNSDK;

bool RemoveEdges::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("RemoveEdges")
        .attribute("EdgeList", Parameter::PT_STRING);
    return true;
}

} // namespace tolvir
