#pragma once

#include "vornsdk/string.h"

namespace tolvir {

// "NothingSelectedMeansEverythingSelected"; true when the application node lacks it.
bool nothing_selected_means_everything_selected();
// "SelectionDrawing"; the null string when the application node lacks it.
VORNSDK::String selection_drawing();

} // namespace tolvir
