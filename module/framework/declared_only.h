#pragma once

#include "vornsdk/plugin.h"

namespace tolvir {

// Some components have their final descriptions (attributes, key bindings, tags) but no behaviour
// yet: they are declared only. Rather than report success for work they did not do, they refuse
// to run, and a declared-only tool refuses to become active; either way the user is told.

// Shows "USER NAME is not implemented yet ..." and answers false, for the command's execution to
// return.
bool refuse_unimplemented(VORNSDK::Plugin const& component);

// For a declared-only tool being activated: shows the same message and hands over to the tool
// handler's fallback tool, so that the tool never becomes active and opens no undo step.
void decline_activation(VORNSDK::Plugin const& component);

} // namespace tolvir
