#pragma once

#include "vornsdk/interfaces.h"

#include <cstdint>

namespace tolvir {

// Dispatches the host's attribute notifications. A notification that arrives while another is
// being handled (a handler that writes attributes itself) is dropped.
class AttributeListener : public VORNSDK::AttributeListenerInterface {
public:
    void on_notify(std::uint32_t source, std::uint32_t word1, std::uint32_t word2, std::uint32_t code,
                   VORNSDK::Parameter* value) override;
    // Codes 3 and 4: an attribute changed (value: its index).
    virtual void handle_attribute_change(std::uint32_t value);
    // Code 5: an attribute event.
    virtual void handle_attribute_event(std::uint32_t value);

private:
    bool busy_ = false;
};

} // namespace tolvir
