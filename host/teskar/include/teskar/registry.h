#pragma once

#include "vornsdk/description.h"
#include "vornsdk/plugin.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace teskar {

// Where a registration came from: the host itself or a loaded module.
inline constexpr char const* kHostOrigin = "teskar";

struct ComponentType {
    VORNSDK::String name;
    VORNSDK::CreateFunction create = nullptr;
    VORNSDK::DestroyFunction destroy = nullptr;
    VORNSDK::DescribeFunction describe = nullptr;
    VORNSDK::FilterFunction filter = nullptr;
    VORNSDK::ComponentDescription description;
    std::string origin;

    bool is_command() const;
    bool is_interactive_tool() const;
    bool hidden() const;
    // Whether the type's filter offers it in this context (selection mode and scene).
    bool offered(VORNSDK::FilterContext const& context) const;
    VORNSDK::String user_name() const;
};

// Every registered component type, in registration order.
class Registry {
public:
    // Describes the type at once; refuses a taken name, a missing function or a failed describe.
    bool add(VORNSDK::String const& name, VORNSDK::CreateFunction create, VORNSDK::DestroyFunction destroy,
             VORNSDK::DescribeFunction describe, VORNSDK::FilterFunction filter, std::string origin);
    ComponentType const* find(VORNSDK::String const& name) const;
    std::vector<ComponentType const*> types(std::string const& origin) const;
    std::vector<ComponentType const*> all() const;

private:
    std::vector<std::unique_ptr<ComponentType>> types_;
    std::unordered_map<VORNSDK::String, ComponentType*> by_name_;
};

// The registrar a module's entry point fills: registrations go to the registry under the
// module's origin, and the registrar keeps the module's own tags.
class ModuleRegistrar : public VORNSDK::PluginModuleRegistrar {
public:
    ModuleRegistrar(Registry& registry, std::string origin) : registry_(registry), origin_(std::move(origin)) {}
    bool register_component(VORNSDK::String const& name, VORNSDK::CreateFunction create,
                            VORNSDK::DestroyFunction destroy, VORNSDK::DescribeFunction describe, void* reserved,
                            VORNSDK::FilterFunction filter) override;
    std::string const& origin() const { return origin_; }

private:
    Registry& registry_;
    std::string origin_;
};

} // namespace teskar
