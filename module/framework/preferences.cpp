#include "framework/preferences.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"

namespace tolvir {

using namespace VORNSDK;

bool nothing_selected_means_everything_selected()
{
    AttributePtr const a = app_node()["NothingSelectedMeansEverythingSelected"];
    return a.valid() ? a.value().as_bool() : true;
}

String selection_drawing()
{
    AttributePtr const a = app_node()["SelectionDrawing"];
    return a.valid() ? a.value().as_string() : String();
}

} // namespace tolvir
