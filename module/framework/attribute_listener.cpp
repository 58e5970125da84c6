#include "framework/attribute_listener.h"

#include "framework/scoped_flag.h"

namespace tolvir {

void AttributeListener::on_notify(std::uint32_t source, std::uint32_t, std::uint32_t, std::uint32_t code,
                                  VORNSDK::Parameter*)
{
    if (busy_)
        return;
    ScopedFlag const busy(busy_);
    if (code == VORNSDK::kNotifyAttributeChanged || code == VORNSDK::kNotifyAttributeRange)
        handle_attribute_change(source);
    else if (code == VORNSDK::kNotifyAttributeEvent)
        handle_attribute_event(source);
}

void AttributeListener::handle_attribute_change(std::uint32_t) {}
void AttributeListener::handle_attribute_event(std::uint32_t) {}

} // namespace tolvir
