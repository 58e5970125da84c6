#pragma once

#include "vornsdk/api.h"
#include "vornsdk/attribute.h"
#include "vornsdk/component.h"
#include "vornsdk/description.h"
#include "vornsdk/unique_id.h"

namespace VORNSDK {

class Variant;

// What the host knows when it asks whether a component is offered.
struct FilterContext {
    Component scene;
    int selection_mode = 0;
};

// Base of every component implementation, host or module. The host creates a plugin through its
// registered create function, binds it to its component record, and destroys it through the
// registered destroy function when the last handle goes.
class VORNSDK_API Plugin {
public:
    Plugin();
    Plugin(Plugin const&) = delete;
    Plugin& operator=(Plugin const&) = delete;
    virtual ~Plugin();
    // The interface with this id, or null.
    virtual void* query_interface(UniqueID const& id);
    // Receives the creation variant.
    virtual void assign_variant(Variant const& value);
    // Runs once, right after the plugin is bound to its component.
    virtual void setup();

    // Attribute of the own component by name (invalid when there is none) or by index.
    AttributePtr attribute(String const& name) const;
    AttributePtr attribute(unsigned index) const;
    unsigned num_attributes() const;
    Component component() const;
    String component_type() const;
    ComponentDescription const* description() const;

    // The host's default filter: offered everywhere.
    static bool in_context(FilterContext const& context);

private:
    friend class ComponentData;
    ComponentData* data_ = nullptr;
};

using CreateFunction = Plugin* (*)();
using DestroyFunction = void (*)(Plugin*);
using DescribeFunction = bool (*)(ComponentDescription&);
using FilterFunction = bool (*)(FilterContext const&);

// The host's registrar handed to a module's entry point; it is also the module's description.
class VORNSDK_API PluginModuleRegistrar : public Description {
public:
    // Registers a component type. False when the name is taken or a function is missing.
    virtual bool register_component(String const& name, CreateFunction create, DestroyFunction destroy,
                                    DescribeFunction describe, void* reserved, FilterFunction filter) = 0;
};

} // namespace VORNSDK
