#pragma once

#include "vornsdk/api.h"

#include <cstdint>

namespace VORNSDK {

// Type code of the null variant.
inline constexpr std::uint32_t kNullTypeCode = 0xFFFFFFFFu;

// A typed value handed to a component at creation. The base class is the null variant; typed
// variants derive from it and answer the code of their type name (see str_type_code).
class VORNSDK_API Variant {
public:
    Variant() = default;
    Variant(Variant const&) = default;
    Variant& operator=(Variant const&) = default;
    virtual ~Variant();

    virtual bool valid() const;
    virtual bool is_null() const;
    virtual std::uint32_t type_code() const;
    virtual void const* data() const;
    virtual Variant* copy() const;
};

// The code of a variant type name: equal names give equal codes in every library of a process.
VORNSDK_API std::uint32_t str_type_code(char const* type_name);

} // namespace VORNSDK
