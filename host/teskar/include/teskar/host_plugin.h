#pragma once

#include "teskar/registry.h"

#include "vornsdk/plugin.h"

#include <new>

namespace teskar {

template <class T>
VORNSDK::Plugin* create_host_plugin()
{
    return new (std::nothrow) T();
}

inline void destroy_host_plugin(VORNSDK::Plugin* plugin) { delete plugin; }

// Registers a host component type whose class provides a static describe function.
template <class T>
void register_host_plugin(Registry& registry, char const* name, VORNSDK::FilterFunction filter = nullptr)
{
    registry.add(name, &create_host_plugin<T>, &destroy_host_plugin, &T::describe, filter, kHostOrigin);
}

// Adds an attribute with a default value.
VORNSDK::AttributeDescription* add_attribute(VORNSDK::ComponentDescription& d, char const* name,
                                             VORNSDK::Parameter::PType type, VORNSDK::Parameter const& def = {});

} // namespace teskar
