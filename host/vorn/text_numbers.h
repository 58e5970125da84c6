#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace vorn {

namespace detail {

// A plain decimal ("-12.5", "3e-4") whose digits fit in 53 bits and whose power of ten is exact
// in a double: then one multiplication or division rounds correctly, the same double from_chars
// gives. False (value untouched) for anything else, which the general reader then takes.
inline bool parse_short_decimal(std::string_view text, double& value)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    char const* c = text.data();
    char const* const end = c + text.size();
    bool const negative = c != end && *c == '-';
    c += negative;
    std::uint64_t digits = 0;
    int count = 0, fraction = 0;
    auto take_digits = [&](bool after_point) {
        for (; c != end && unsigned(*c - '0') < 10; ++c, ++count) {
            digits = digits * 10 + unsigned(*c - '0');
            fraction += after_point;
        }
    };
    take_digits(false);
    if (c != end && *c == '.') {
        ++c;
        take_digits(true);
    }
    if (count == 0 || count > 19 || digits > (std::uint64_t(1) << 53))
        return false;
    int exponent = 0;
    if (c != end && (*c == 'e' || *c == 'E')) {
        ++c;
        bool const minus = c != end && *c == '-';
        c += c != end && (*c == '-' || *c == '+');
        char const* const first = c;
        for (; c != end && unsigned(*c - '0') < 10 && c - first < 4; ++c)
            exponent = exponent * 10 + (*c - '0');
        if (c == first)
            return false;
        exponent = minus ? -exponent : exponent;
    }
    int const power = exponent - fraction;
    if (c != end || power < -22 || power > 22)
        return false;
    double const d = static_cast<double>(digits);
    double const v = power < 0 ? d / kPowers[-power] : d * kPowers[power];
    value = negative ? -v : v;
    return true;
}

} // namespace detail

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
        if (detail::parse_short_decimal(text, value))
            return true;
    auto const [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    if constexpr (std::is_floating_point_v<T>)
        return std::isfinite(value);
    return true;
}

} // namespace vorn
