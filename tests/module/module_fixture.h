#pragma once

#include "teskar/mesh_fixture.h"
#include "teskar/registry.h"

#include "vornsdk/plugin.h"

extern "C" int initialize_module(VORNSDK::PluginModuleRegistrar& registrar);

// The module registered in the host's registry (once per test program), and a scene with one
// mesh item.
class ModuleFixture : public MeshFixture {
protected:
    static void SetUpTestSuite()
    {
        static teskar::ModuleRegistrar registrar(teskar::Kernel::instance().registry(), "tolvir");
        static bool const loaded = (initialize_module(registrar), true);
        (void)loaded;
    }
    void SetUp() override
    {
        MeshFixture::SetUp();
        VORNSDK::add_to_selection(item);
    }
};
