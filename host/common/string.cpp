#include "vornsdk/string.h"

#include <algorithm>
#include <sstream>

namespace VORNSDK {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void append_code_point(std::u16string& out, char32_t cp)
{
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes UTF-8; malformed sequences become U+FFFD so that any byte string converts.
std::u16string decode_utf8(std::string_view in)
{
    // Most text the host handles is ASCII: widen it in one pass.
    if (std::all_of(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::u16string(in.begin(), in.end());
    std::u16string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        auto const c = static_cast<unsigned char>(in[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= in.size() || (static_cast<unsigned char>(in[i + k]) & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (static_cast<unsigned char>(in[i + k]) & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        append_code_point(out, cp);
        i += 1 + extra;
    }
    return out;
}

void append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

String::String(char const* utf8) : String(std::string_view(utf8 ? utf8 : "")) {}

String::String(std::string_view utf8) : chars_(decode_utf8(utf8)), null_(false) {}

String::String(std::u16string chars) : chars_(std::move(chars)), null_(false) {}

String String::number(long long value) { return String(std::to_string(value)); }

String String::number(double value)
{
    std::ostringstream s;
    s << value;
    return String(s.str());
}

std::string String::to_utf8() const
{
    if (std::all_of(chars_.begin(), chars_.end(), [](char16_t c) { return c < 0x80; }))
        return std::string(chars_.begin(), chars_.end());
    std::string out;
    out.reserve(chars_.size());
    for (std::size_t i = 0; i < chars_.size(); ++i) {
        char32_t cp = chars_[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < chars_.size() && chars_[i + 1] >= 0xDC00 && chars_[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (chars_[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        append_utf8(out, cp);
    }
    return out;
}

String String::to_lower() const
{
    std::u16string lower = chars_;
    for (auto& c : lower)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    String r(std::move(lower));
    r.null_ = null_;
    return r;
}

bool String::starts_with(String const& prefix) const { return chars_.starts_with(prefix.chars_); }

String& String::operator+=(String const& other)
{
    chars_ += other.chars_;
    null_ = null_ && other.null_;
    return *this;
}

} // namespace VORNSDK
