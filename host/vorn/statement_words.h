#pragma once

#include "session.h"
#include "text_numbers.h"

#include "vornsdk/component.h"
#include "vornsdk/parameter.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A statement whose words do not read; the message becomes "NAME:LINE: message".
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(std::string const& message);

std::string quoted(std::string const& s);

// Numbers of a word; what names the word in the message when it does not read.
int positive_int(std::string const& text, char const* what);
double positive_double(std::string const& text, char const* what);
double number(std::string const& text, char const* what);

// Numbers separated by commas, exactly count of them.
template <class T>
bool parse_numbers(std::string_view rest, std::size_t count, std::vector<T>& out)
{
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t const comma = rest.find(',');
        if ((comma == std::string_view::npos) != (k + 1 == count))
            return false;
        T v{};
        if (!parse_number(rest.substr(0, comma), v))
            return false;
        out.push_back(v);
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
    return true;
}

// Splits KEY=VALUE at the first '='.
std::pair<std::string, std::string> key_value(std::string const& word);

// The text of an attribute value read by the attribute's declared type. A reference names an
// item of the session's scene, or "@viewport" its viewport.
VORNSDK::Parameter parse_value(Session const& session, VORNSDK::Parameter::PType type, std::string const& key,
                               std::string const& text);

// KEY=VALUE words from words[first] on, for attributes of c; what names c in messages. Every word
// is read before the caller stores any.
std::vector<Assignment> parse_assignments(Session const& session, VORNSDK::Component const& c,
                                          std::vector<std::string> const& words, std::size_t first,
                                          std::string const& what);

} // namespace vorn
