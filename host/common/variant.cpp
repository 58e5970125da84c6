#include "vornsdk/variant.h"

#include <map>
#include <mutex>
#include <new>
#include <string>

namespace VORNSDK {

Variant::~Variant() = default;
bool Variant::valid() const { return false; }
bool Variant::is_null() const { return type_code() == kNullTypeCode; }
std::uint32_t Variant::type_code() const { return kNullTypeCode; }
void const* Variant::data() const { return nullptr; }
Variant* Variant::copy() const { return new (std::nothrow) Variant(); }

std::uint32_t str_type_code(char const* type_name)
{
    // Codes are handed out in order of first use; one table per process makes them agree
    // between the host and every module.
    static std::mutex mutex;
    static std::map<std::string, std::uint32_t> codes;
    std::lock_guard lock(mutex);
    auto [it, added] = codes.try_emplace(type_name ? type_name : "", static_cast<std::uint32_t>(codes.size() + 1));
    return it->second;
}

} // namespace VORNSDK
