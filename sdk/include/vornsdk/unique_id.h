#pragma once

#include "vornsdk/api.h"

#include <cstdint>

namespace VORNSDK {

// Identifier of an interface: 16 bytes compared as four 32-bit words.
struct UniqueID {
    std::uint32_t words[4] = {0, 0, 0, 0};
    friend constexpr bool operator==(UniqueID const&, UniqueID const&) = default;
};

// Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (hex digits, dashes ignored). A text that is not
// a uuid yields the all-zero id, which no interface uses.
VORNSDK_API UniqueID uuid_string_to_unique_id(char const* text);

} // namespace VORNSDK

// Declares the interface id of an interface class: made once, on first use, from its uuid text.
#define VORNSDK_INTERFACE_ID(uuid_text)                                                  \
    static ::VORNSDK::UniqueID const& iid()                                              \
    {                                                                                    \
        static ::VORNSDK::UniqueID const id = ::VORNSDK::uuid_string_to_unique_id(uuid_text); \
        return id;                                                                       \
    }
