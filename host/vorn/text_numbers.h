#pragma once

#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>

namespace vorn {

// Reads a whole word as a number (a leading "+" allowed); false for anything else, including
// trailing characters and, for floating point, infinities and NaN.
template <class T>
bool parse_number(std::string_view text, T& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    auto const [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    if constexpr (std::is_floating_point_v<T>)
        return std::isfinite(value);
    return true;
}

} // namespace vorn
