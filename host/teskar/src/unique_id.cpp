#include "vornsdk/unique_id.h"

namespace VORNSDK {

UniqueID uuid_string_to_unique_id(char const* text)
{
    UniqueID id;
    if (!text)
        return id;
    int digits = 0;
    for (char const* p = text; *p; ++p) {
        char const c = *p;
        if (c == '-')
            continue;
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            return UniqueID();
        if (digits == 32)
            return UniqueID();
        id.words[digits / 8] = (id.words[digits / 8] << 4) | static_cast<std::uint32_t>(v);
        ++digits;
    }
    return digits == 32 ? id : UniqueID();
}

} // namespace VORNSDK
