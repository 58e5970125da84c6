#include "framework/attribute_listener.h"

namespace tolvir {

void AttributeListener::on_notify(std::uint32_t source, std::uint32_t, std::uint32_t, std::uint32_t code,
                                  VORNSDK::Parameter*)
{
    if (busy_)
        return;
    busy_ = true;
    if (code == VORNSDK::kNotifyAttributeChanged || code == VORNSDK::kNotifyAttributeRange)
        handle_attribute_change(source);
    else if (code == VORNSDK::kNotifyAttributeEvent)
        handle_attribute_event(source);
    busy_ = false;
}

void AttributeListener::handle_attribute_change(std::uint32_t) {}
void AttributeListener::handle_attribute_event(std::uint32_t) {}

} // namespace tolvir
