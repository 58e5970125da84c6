#pragma once

#include "vornsdk/plugin.h"
#include "vornsdk/variant.h"

#include <new>

namespace tolvir {

// What a clone receives at creation: the plugin it copies.
struct CloneData {
    VORNSDK::Plugin* source = nullptr;
};

template <class T>
struct VariantTypeName;

template <>
struct VariantTypeName<CloneData> {
    static constexpr char const* value = "variant_CloneData";
};

// A variant carrying a value of type T, recognised by the code of its type name.
template <class T>
class VariantT : public VORNSDK::Variant {
public:
    explicit VariantT(T data) : data_(data) {}

    bool valid() const override { return true; }
    bool is_null() const override { return type_code() == VORNSDK::kNullTypeCode; }
    std::uint32_t type_code() const override
    {
        static std::uint32_t const code = VORNSDK::str_type_code(VariantTypeName<T>::value);
        return code;
    }
    void const* data() const override { return &data_; }
    VORNSDK::Variant* copy() const override { return new (std::nothrow) VariantT(data_); }

private:
    T data_;
};

} // namespace tolvir
