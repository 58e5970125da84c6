#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn {

// Text from the user as a message repeats it: cut after its first 40 bytes (on a character
// boundary) and marked with "..." when it is longer, so that a runaway word in a script or file
// does not flood the message.
inline std::string excerpt(std::string_view text)
{
    constexpr std::size_t kLongest = 40;
    if (text.size() <= kLongest)
        return std::string(text);
    std::size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "...";
}

// The excerpt between single quotes.
inline std::string quoted_excerpt(std::string_view text)
{
    std::string out = excerpt(text);
    out.insert(out.begin(), '\'');
    out.push_back('\'');
    return out;
}

} // namespace vorn
