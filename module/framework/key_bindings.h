#pragma once

#include "vornsdk/description.h"

#include <initializer_list>

namespace tolvir {

// One default key binding of a tool: the action it handles, the key and the trigger kind
// ("Moment", "Normal", "Sticky" or "Toggle").
struct KeyBinding {
    char const* action = nullptr;
    char const* key = nullptr;
    char const* trigger = nullptr;
};

// Sets the component's default_tool_keybindings: a list whose entries are four-element tuples
// (empty string, action, key, trigger). Incomplete candidates are skipped.
void set_key_bindings(VORNSDK::ComponentDescription& description, std::initializer_list<KeyBinding> bindings);

} // namespace tolvir
