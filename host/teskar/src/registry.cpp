#include "teskar/registry.h"

namespace teskar {

using namespace VORNSDK;

bool ComponentType::is_command() const { return description.value(Description::category()).as_string() == String("CommandTool"); }

bool ComponentType::is_interactive_tool() const
{
    return description.value(Description::category()).as_string() == String("InteractiveTool");
}

bool ComponentType::offered(FilterContext const& context) const { return !filter || filter(context); }

bool ComponentType::hidden() const { return description.value("hidden").as_bool(); }

String ComponentType::user_name() const
{
    String const label = description.value(Description::user_name()).as_string();
    return label.is_null() ? name : label;
}

bool Registry::add(String const& name, CreateFunction create, DestroyFunction destroy, DescribeFunction describe,
                   FilterFunction filter, std::string origin)
{
    if (name.empty() || !create || !destroy || by_name_.count(name))
        return false;
    auto type = std::make_unique<ComponentType>();
    type->name = name;
    type->create = create;
    type->destroy = destroy;
    type->describe = describe;
    type->filter = filter ? filter : &Plugin::in_context;
    type->origin = std::move(origin);
    if (describe && !describe(type->description))
        return false;
    by_name_.emplace(name, type.get());
    types_.push_back(std::move(type));
    return true;
}

ComponentType const* Registry::find(String const& name) const
{
    auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : it->second;
}

std::vector<ComponentType const*> Registry::types(std::string const& origin) const
{
    std::vector<ComponentType const*> out;
    for (auto const& t : types_)
        if (t->origin == origin)
            out.push_back(t.get());
    return out;
}

std::vector<ComponentType const*> Registry::all() const
{
    std::vector<ComponentType const*> out;
    for (auto const& t : types_)
        out.push_back(t.get());
    return out;
}

bool ModuleRegistrar::register_component(String const& name, CreateFunction create, DestroyFunction destroy,
                                         DescribeFunction describe, void*, FilterFunction filter)
{
    return registry_.add(name, create, destroy, describe, filter, origin_);
}

} // namespace teskar
