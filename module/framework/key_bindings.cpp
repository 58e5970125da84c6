#include "framework/key_bindings.h"

#include "vornsdk/parameter.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

Parameter binding_entry(KeyBinding const& b)
{
    if (!b.action || !b.key || !b.trigger)
        return Parameter();
    return Parameter(Parameter(""), Parameter(b.action), Parameter(b.key), Parameter(b.trigger));
}

} // namespace

void set_key_bindings(ComponentDescription& description, std::initializer_list<KeyBinding> bindings)
{
    ParameterList list;
    for (KeyBinding const& b : bindings) {
        Parameter const entry = binding_entry(b);
        if (entry.get_type() != Parameter::PT_NONE)
            list.add(entry);
    }
    description.add_tag(ComponentDescription::default_tool_keybindings(), Parameter(list));
}

} // namespace tolvir
