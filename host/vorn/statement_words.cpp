#include "statement_words.h"

#include "text_excerpt.h"

#include <algorithm>

namespace vorn {

using namespace VORNSDK;

void fail(std::string const& message) { throw ScriptError(message); }

std::string quoted(std::string const& s) { return quoted_excerpt(s); }

int positive_int(std::string const& text, char const* what)
{
    int v = 0;
    if (!parse_number(text, v) || v < 1)
        fail(std::string(what) + " must be a positive integer, not " + quoted(text));
    return v;
}

double positive_double(std::string const& text, char const* what)
{
    double v = 0;
    if (!parse_number(text, v) || v <= 0)
        fail(std::string(what) + " must be a positive number, not " + quoted(text));
    return v;
}

double number(std::string const& text, char const* what)
{
    double v = 0;
    if (!parse_number(text, v))
        fail(std::string("bad ") + what + " " + quoted(text));
    return v;
}

std::pair<std::string, std::string> key_value(std::string const& word)
{
    std::size_t const eq = word.find('=');
    if (eq == std::string::npos || eq == 0)
        fail("expected KEY=VALUE, not " + quoted(word));
    return {word.substr(0, eq), word.substr(eq + 1)};
}

namespace {

// Points X,Y,Z separated by semicolons (a stored lasso outline); empty for none.
bool parse_point_list(std::string_view rest, ParameterList& list)
{
    while (!rest.empty()) {
        std::size_t const end = std::min(rest.find(';'), rest.size());
        std::vector<double> v;
        if (!parse_numbers(rest.substr(0, end), 3, v))
            return false;
        list.add(Parameter(Vector3d{v[0], v[1], v[2]}));
        rest.remove_prefix(end == rest.size() ? end : end + 1);
    }
    return true;
}

} // namespace

Parameter parse_value(Session const& session, Parameter::PType type, std::string const& key, std::string const& text)
{
    auto const bad = [&]() -> Parameter {
        fail("bad value " + quoted(text) + " for " + key + " (expected " + ptype_name(type) + ")");
    };
    switch (type) {
    case Parameter::PT_BOOL:
        if (text == "true" || text == "false")
            return Parameter(text == "true");
        return bad();
    case Parameter::PT_INT: {
        int v = 0;
        return parse_number(text, v) ? Parameter(v) : bad();
    }
    case Parameter::PT_DOUBLE: {
        double v = 0;
        return parse_number(text, v) ? Parameter(v) : bad();
    }
    case Parameter::PT_STRING: return Parameter(String(text));
    case Parameter::PT_VECTOR3I: {
        std::vector<int> v;
        return parse_numbers(text, 3, v) ? Parameter(Vector3i{v[0], v[1], v[2]}) : bad();
    }
    case Parameter::PT_VECTOR3D: {
        std::vector<double> v;
        return parse_numbers(text, 3, v) ? Parameter(Vector3d{v[0], v[1], v[2]}) : bad();
    }
    case Parameter::PT_VECTOR4F: {
        std::vector<float> v;
        return parse_numbers(text, 4, v) ? Parameter(Vector4f{v[0], v[1], v[2], v[3]}) : bad();
    }
    case Parameter::PT_MATRIX4D: {
        std::vector<double> v;
        if (!parse_numbers(text, 16, v))
            return bad();
        Matrix4d m;
        std::copy(v.begin(), v.end(), m.m);
        return Parameter(m);
    }
    case Parameter::PT_REFERENCE:
        // An empty value clears the reference.
        if (text == "@viewport")
            return Parameter(StrongReference{session.viewport()});
        return text.empty() ? Parameter() : Parameter(StrongReference{session.find_item(text)});
    case Parameter::PT_LIST: {
        ParameterList list;
        return parse_point_list(text, list) ? Parameter(list) : bad();
    }
    default:
        fail(key + " has type " + ptype_name(type) + ", which scripts cannot set");
    }
}

std::vector<Assignment> parse_assignments(Session const& session, Component const& c, std::vector<std::string> const& words,
                                          std::size_t first, std::string const& what)
{
    std::vector<Assignment> assignments;
    for (std::size_t k = first; k < words.size(); ++k) {
        auto [key, text] = key_value(words[k]);
        Parameter value = parse_value(session, attribute_of(c, key, what).type(), key, text);
        assignments.push_back({std::move(key), std::move(value), std::move(text)});
    }
    return assignments;
}

} // namespace vorn
