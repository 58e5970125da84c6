#pragma once

#include "teskar/registry.h"

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <vector>

namespace vorn {

// A Parameter as JSON: null, bool, number, string, arrays for vectors, matrices, lists and
// tuples, and the item name for a reference.
nlohmann::json to_json(VORNSDK::Parameter const& p);
// A Parameter as one line of text, as `vorn describe` and `get` print it.
std::string to_text(VORNSDK::Parameter const& p);

// "command" or "tool".
char const* kind_of(teskar::ComponentType const& type);

nlohmann::json list_json(std::string const& module, std::vector<teskar::ComponentType const*> const& types);
void print_list(std::ostream& out, std::vector<teskar::ComponentType const*> const& types);

// Tags and attribute fields appear in the order the component declared them.
nlohmann::ordered_json describe_json(teskar::ComponentType const& type);
void print_description(std::ostream& out, teskar::ComponentType const& type);

} // namespace vorn
