#include "framework/registration.h"

#include "vornsdk/description.h"

extern "C" __attribute__((visibility("default"))) int initialize_module(VORNSDK::PluginModuleRegistrar& registrar)
{
    using namespace tolvir;
    registrar.add_tag(VORNSDK::Description::user_name(), "TolvirPlugins");
    using Routine = VORNSDK::Status (*)(VORNSDK::PluginModuleRegistrar&);
    static constexpr Routine kRoutines[] = {
        register_dissolve,    register_set_value, register_hard_soft_edges, register_knife, register_tweak,
        register_lasso,       register_array,     register_bend,            register_make_circular,
        register_twist,       register_break,     register_insert_loop,     register_hover_tools,
    };
    for (Routine routine : kRoutines)
        (void)routine(registrar);
    return 0;
}
