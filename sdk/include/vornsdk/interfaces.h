#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/notify.h"
#include "vornsdk/unique_id.h"

#include <cstdint>

namespace VORNSDK {

class Parameter;

// A component that can make a copy of itself with the same attribute values.
class VORNSDK_API CloneableInterface {
public:
    VORNSDK_INTERFACE_ID("6f1c2a10-4b7e-4c21-9d55-0a3e7b1f9c01")
    virtual ~CloneableInterface();
    virtual Component clone() = 0;
};

// A component that sends notifications of its own.
class VORNSDK_API NotifierInterface {
public:
    VORNSDK_INTERFACE_ID("6f1c2a10-4b7e-4c21-9d55-0a3e7b1f9c02")
    virtual Notify& notify() = 0;
    virtual ~NotifierInterface();
};

// Notification codes the host sends to attribute listeners.
inline constexpr std::uint32_t kNotifyAttributeChanged = 3;
inline constexpr std::uint32_t kNotifyAttributeRange = 4;
inline constexpr std::uint32_t kNotifyAttributeEvent = 5;

// Hears changes of its component's attributes. source is the attribute index for codes 3 to 5.
class VORNSDK_API AttributeListenerInterface {
public:
    VORNSDK_INTERFACE_ID("6f1c2a10-4b7e-4c21-9d55-0a3e7b1f9c03")
    virtual ~AttributeListenerInterface();
    virtual void on_notify(std::uint32_t source, std::uint32_t word1, std::uint32_t word2, std::uint32_t code,
                           Parameter* value) = 0;
};

} // namespace VORNSDK
