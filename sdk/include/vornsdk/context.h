#pragma once

#include "vornsdk/parameter.h"
#include "vornsdk/string.h"

#include <map>

namespace VORNSDK {

// Extra arguments of one execution or one attribute read, by name.
class Context {
public:
    // The named parameter, or the none parameter.
    Parameter custom_parameter(String const& name) const
    {
        auto it = custom_.find(name);
        return it == custom_.end() ? Parameter() : it->second;
    }
    void set_custom_parameter(String const& name, Parameter const& value) { custom_[name] = value; }
    bool has_custom_parameter(String const& name) const { return custom_.count(name) != 0; }

private:
    std::map<String, Parameter> custom_;
};

} // namespace VORNSDK
