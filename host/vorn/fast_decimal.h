#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vorn::detail {

// Reading a decimal is costly only where the nearest double needs more than one rounding step:
// the general reader then works with big numbers. The two quick paths here give the same double
// it gives, or decline and leave the text to it.
//
// Clinger's path: digits that fit in 53 bits times an exact power of ten (up to 10^22) round
// once. Eisel and Lemire's path, for up to 19 significant digits and powers of ten from 10^-64 to
// 10^64: the digits times a 128-bit truncation of the power of five decide the rounding unless
// the product lies too near a halfway point, where it declines.

__extension__ typedef unsigned __int128 Uint128;

struct PowerOfFive {
    std::uint64_t high = 0, low = 0;
};

inline constexpr int kLeastPowerOfTen = -64, kMostPowerOfTen = 64;

// An unsigned number of 512 bits, enough for the table's divisions (at most 426 bits).
class TableNumber {
public:
    constexpr explicit TableNumber(std::uint32_t v) { limbs_[0] = v; }

    static constexpr TableNumber power_of_two(int b)
    {
        TableNumber n(0);
        n.limbs_[std::size_t(b / 32)] = std::uint32_t(1) << (b % 32);
        return n;
    }
    constexpr void multiply(std::uint32_t m)
    {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs_) {
            std::uint64_t const v = std::uint64_t(limb) * m + carry;
            limb = std::uint32_t(v);
            carry = v >> 32;
        }
    }
    constexpr void divide(std::uint32_t d)
    {
        std::uint64_t rest = 0;
        for (std::size_t i = kLimbs; i-- > 0;) {
            std::uint64_t const v = (rest << 32) | limbs_[i];
            limbs_[i] = std::uint32_t(v / d);
            rest = v % d;
        }
    }
    constexpr void add_one()
    {
        for (std::uint32_t& limb : limbs_)
            if (++limb != 0)
                break;
    }
    constexpr int bits() const
    {
        for (std::size_t i = kLimbs; i-- > 0;)
            if (limbs_[i] != 0)
                return int(32 * i) + 32 - std::countl_zero(limbs_[i]);
        return 0;
    }
    // Bit i (0 = lowest); 0 below the number.
    constexpr std::uint64_t bit(int i) const
    {
        return i < 0 ? 0 : (limbs_[std::size_t(i / 32)] >> (i % 32)) & 1;
    }
    // The top 128 bits, the highest set bit at the top.
    constexpr PowerOfFive top_128() const
    {
        int const lowest = bits() - 128;
        PowerOfFive p;
        for (int i = 0; i < 64; ++i) {
            p.low |= bit(lowest + i) << i;
            p.high |= bit(lowest + 64 + i) << i;
        }
        return p;
    }

private:
    static constexpr std::size_t kLimbs = 16;
    std::array<std::uint32_t, kLimbs> limbs_{};
};

// 5^q scaled by a power of two so that its top bit is bit 127; for q < 0 the reciprocal is
// rounded up when it is taken with 128 bits, truncated when taken with more.
constexpr PowerOfFive power_of_five(int q)
{
    int const k = q < 0 ? -q : q;
    TableNumber five(1);
    for (int i = 0; i < k; ++i)
        five.multiply(5);
    if (q >= 0)
        return five.top_128();
    int const z = five.bits();
    TableNumber c = TableNumber::power_of_two(q >= -27 ? z + 127 : 2 * z + 128);
    for (int i = 0; i < k; ++i)
        c.divide(5);
    c.add_one();
    return c.top_128();
}

constexpr std::array<PowerOfFive, kMostPowerOfTen - kLeastPowerOfTen + 1> powers_of_five()
{
    std::array<PowerOfFive, kMostPowerOfTen - kLeastPowerOfTen + 1> table{};
    for (int q = kLeastPowerOfTen; q <= kMostPowerOfTen; ++q)
        table[std::size_t(q - kLeastPowerOfTen)] = power_of_five(q);
    return table;
}

inline constexpr auto kPowersOfFive = powers_of_five();

// The double nearest w × 10^q (w > 0, q within the table), or false when the product cannot
// tell.
inline bool eisel_lemire(std::uint64_t w, int q, double& out)
{
    PowerOfFive const& p = kPowersOfFive[std::size_t(q - kLeastPowerOfTen)];
    int const zeros = std::countl_zero(w);
    w <<= zeros;
    Uint128 const first = Uint128(w) * p.high;
    std::uint64_t high = std::uint64_t(first >> 64), low = std::uint64_t(first);
    // Below the 55 bits kept, only ones: the lower half of the power may carry into them.
    if ((high & 0x1FF) == 0x1FF) {
        std::uint64_t const carry = std::uint64_t((Uint128(w) * p.low) >> 64);
        low += carry;
        high += carry > low;
    }
    if (low == ~std::uint64_t(0) && (q < -27 || q > 55))
        return false;
    int const upper = int(high >> 63);
    std::uint64_t mantissa = high >> (upper + 9);
    int exponent = ((217706 * q) >> 16) + 63 + upper - zeros + 1023;
    if (exponent <= 0)
        return false;
    // Exactly halfway between two doubles (possible only where 5^q is exact): round to even.
    if (low <= 1 && q >= -4 && q <= 23 && (mantissa & 3) == 1 && (mantissa << (upper + 9)) == high)
        mantissa &= ~std::uint64_t(1);
    mantissa += mantissa & 1;
    mantissa >>= 1;
    if (mantissa >= (std::uint64_t(2) << 52)) {
        mantissa = std::uint64_t(1) << 52;
        ++exponent;
    }
    if (exponent >= 0x7FF)
        return false;
    mantissa &= ~(std::uint64_t(1) << 52);
    out = std::bit_cast<double>(mantissa | (std::uint64_t(exponent) << 52));
    return true;
}

// Eight digit characters at text (which holds at least eight) as their number; false when any
// of them is not a digit.
inline bool eight_digits(char const* text, std::uint64_t& number)
{
    std::uint64_t v;
    std::memcpy(&v, text, 8);
    if (((v + 0x4646464646464646) | (v - 0x3030303030303030)) & 0x8080808080808080)
        return false;
    // The first character is the lowest byte: pairs, then fours, then all eight are joined.
    v -= 0x3030303030303030;
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000FF000000FF) * 0x000F424000000064 + ((v >> 16) & 0x000000FF000000FF) * 0x0000271000000001) >> 32;
    number = std::uint32_t(v);
    return true;
}

// The plain decimal ("-12.5", "0.30000000000000004", "3e-4") that starts at c, read by a quick
// path: where it ends, or nullptr for anything the quick path declines (more than 19 significant
// digits, a power of ten out of its range, a sign other than a leading "-", no digits), which the
// general reader then takes.
inline char const* parse_decimal_prefix(char const* c, char const* const end, double& value)
{
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    bool const negative = c != end && *c == '-';
    c += negative;
    char const* const first_digit = c;
    // Beyond 19 significant digits the sum wraps around; it is then not used.
    std::uint64_t digits = 0;
    auto take_digits = [&] {
        char const* const from = c;
        for (std::uint64_t eight = 0; end - c >= 8 && eight_digits(c, eight); c += 8)
            digits = digits * 100000000 + eight;
        for (; c != end && unsigned(*c - '0') < 10; ++c)
            digits = digits * 10 + unsigned(*c - '0');
        return c - from;
    };
    std::int64_t count = take_digits(), fraction = 0;
    if (c != end && *c == '.') {
        ++c;
        fraction = take_digits();
        count += fraction;
    }
    if (count == 0)
        return nullptr;
    if (count > 19) {
        std::int64_t leading_zeros = 0;
        for (char const* d = first_digit; d != c && (*d == '0' || *d == '.'); ++d)
            leading_zeros += *d == '0';
        if (count - leading_zeros > 19)
            return nullptr;
    }
    std::int64_t exponent = 0;
    if (c != end && (*c == 'e' || *c == 'E')) {
        ++c;
        bool const minus = c != end && *c == '-';
        c += c != end && (*c == '-' || *c == '+');
        char const* const first = c;
        for (; c != end && unsigned(*c - '0') < 10 && c - first < 4; ++c)
            exponent = exponent * 10 + (*c - '0');
        if (c == first || (c != end && unsigned(*c - '0') < 10))
            return nullptr;
        exponent = minus ? -exponent : exponent;
    }
    std::int64_t const power = exponent - fraction;
    double v = 0;
    if (digits == 0)
        v = 0;
    else if (digits <= (std::uint64_t(1) << 53) && power >= -22 && power <= 22)
        v = power < 0 ? double(digits) / kExact[-power] : double(digits) * kExact[power];
    else if (power < kLeastPowerOfTen || power > kMostPowerOfTen || !eisel_lemire(digits, int(power), v))
        return nullptr;
    value = negative ? -v : v;
    return c;
}

// parse_decimal_prefix for a whole word.
inline bool parse_decimal_quickly(std::string_view text, double& value)
{
    double v = 0;
    char const* const end = text.data() + text.size();
    if (parse_decimal_prefix(text.data(), end, v) != end)
        return false;
    value = v;
    return true;
}

} // namespace vorn::detail
