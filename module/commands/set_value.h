#pragma once

#include "framework/command.h"

namespace tolvir {

// Sets one coordinate of every selected point, edge end or polygon corner to a value.
class SetValue : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
