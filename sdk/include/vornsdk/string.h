#pragma once

#include "vornsdk/api.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace VORNSDK {

// Text of the host: 16-bit characters (UTF-16). A default-made String is the null string, which
// differs from an empty one; host lookups answer the null string for "missing".
class VORNSDK_API String {
public:
    String() = default;
    String(char const* utf8);
    String(std::string_view utf8);
    String(std::string const& utf8) : String(std::string_view(utf8)) {}
    explicit String(std::u16string chars);

    static String number(long long value);
    static String number(double value);

    std::string to_utf8() const;
    std::u16string const& chars() const { return chars_; }

    bool is_null() const { return null_; }
    bool empty() const { return chars_.empty(); }
    std::size_t length() const { return chars_.size(); }

    String to_lower() const;
    bool starts_with(String const& prefix) const;

    String& operator+=(String const& other);
    friend String operator+(String a, String const& b) { return a += b; }

    friend bool operator==(String const& a, String const& b) { return a.chars_ == b.chars_; }
    friend auto operator<=>(String const& a, String const& b) { return a.chars_ <=> b.chars_; }

private:
    std::u16string chars_;
    bool null_ = true;
};

// ASCII text used for tag keys and other fixed identifiers.
class VORNSDK_API AscString {
public:
    AscString() = default;
    AscString(char const* text) : text_(text ? text : "") {}
    AscString(std::string text) : text_(std::move(text)) {}

    char const* c_str() const { return text_.c_str(); }
    std::string const& str() const { return text_; }

    friend bool operator==(AscString const& a, AscString const& b) { return a.text_ == b.text_; }
    friend auto operator<=>(AscString const& a, AscString const& b) { return a.text_ <=> b.text_; }

private:
    std::string text_;
};

} // namespace VORNSDK

template <>
struct std::hash<VORNSDK::String> {
    std::size_t operator()(VORNSDK::String const& s) const noexcept { return std::hash<std::u16string>()(s.chars()); }
};
