#pragma once

#include "fast_decimal.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace vorn {

// Reads a whole word as a number (a leading "+" allowed, though not before a "-"); false for
// anything else, including trailing characters and, for floating point, infinities and NaN.
template <class T>
bool parse_number(std::string_view text, T& value)
{
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return false;
    }
    if constexpr (std::is_same_v<T, double>)
        if (detail::parse_decimal_quickly(text, value))
            return true;
    auto const [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    if constexpr (std::is_floating_point_v<T>)
        return std::isfinite(value);
    return true;
}

} // namespace vorn
