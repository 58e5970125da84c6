#pragma once

#include "teskar/kernel.h"
#include "teskar/registry.h"
#include "teskar/scene.h"

#include "vornsdk/plugin.h"

extern "C" int initialize_module(VORNSDK::PluginModuleRegistrar& registrar);

// Registers the module's components in the host (once per program).
inline void register_module()
{
    static teskar::ModuleRegistrar registrar(teskar::Kernel::instance().registry(), "tolvir");
    static bool const loaded = (initialize_module(registrar), true);
    (void)loaded;
}
