#pragma once

#include "vornsdk/plugin.h"
#include "vornsdk/status.h"

#include <new>

namespace tolvir {

// The create function of a component class: null when allocation fails.
template <class T>
VORNSDK::Plugin* create_component_object()
{
    return new (std::nothrow) T();
}

// The destroy function: the virtual deleting destructor also frees the memory.
inline void destroy_component_object(VORNSDK::Plugin* plugin)
{
    if (plugin)
        delete plugin;
}

// Registers a class with a static describe function. The registrar's answer is not needed: a
// refused registration must not stop the others.
template <class T>
void register_component_class(VORNSDK::PluginModuleRegistrar& registrar, char const* name,
                              VORNSDK::FilterFunction filter = &VORNSDK::Plugin::in_context)
{
    (void)registrar.register_component(VORNSDK::String(name), &create_component_object<T>, &destroy_component_object,
                                       &T::describe, nullptr, filter);
}

// The module's registration routines, one per component source file, in registration order.
VORNSDK::Status register_dissolve(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_set_value(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_hard_soft_edges(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_knife(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_tweak(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_lasso(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_array(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_bend(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_make_circular(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_twist(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_break(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_insert_loop(VORNSDK::PluginModuleRegistrar& registrar);
VORNSDK::Status register_hover_tools(VORNSDK::PluginModuleRegistrar& registrar);

} // namespace tolvir
