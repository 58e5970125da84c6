#include "framework/command.h"

#include "vornsdk/parameter.h"

namespace tolvir {

using namespace VORNSDK;

void* Command::query_interface(UniqueID const& id)
{
    if (id == CommandInterface::iid())
        return static_cast<ItemCommand*>(this);
    if (id == AttributeListenerInterface::iid())
        return static_cast<AttributeListener*>(this);
    if (id == NotifierInterface::iid())
        return static_cast<Notifier*>(this);
    return Cloneable::query_interface(id);
}

void Command::handle_attribute_change(std::uint32_t value)
{
    notify().send(kNotifyAttributeChanged, Parameter(StrongReference{component()}));
    attribute_changed(value);
}

void Command::handle_attribute_event(std::uint32_t value)
{
    notify().send(kNotifyAttributeEvent, Parameter(StrongReference{component()}));
    attribute_event(value);
}

} // namespace tolvir
