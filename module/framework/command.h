#pragma once

#include "framework/attribute_listener.h"
#include "framework/cloneable.h"
#include "framework/notifier.h"

#include "vornsdk/command.h"

namespace tolvir {

// Base of every command of the module. The host runs it through ItemCommand, which calls
// execute_item once per selected scene item; a command reads its attributes there, never earlier.
class Command : public Cloneable, public VORNSDK::ItemCommand, public Notifier, public AttributeListener {
public:
    void* query_interface(VORNSDK::UniqueID const& id) override;
    // Forwards an attribute change to the command's own listeners, then to attribute_changed.
    void handle_attribute_change(std::uint32_t value) override;
    void handle_attribute_event(std::uint32_t value) override;
};

} // namespace tolvir
