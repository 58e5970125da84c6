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

    // A band of four quads around a unit square, open at top and bottom: bottom points 0..3,
    // top points 4..7; its rungs (s, s + 4) form one closed ring.
    void make_band()
    {
        for (int k = 0; k < 8; ++k)
            mesh->add_point({double((k % 4) == 1 || (k % 4) == 2), double(k / 4), double((k % 4) >= 2)});
        for (VORNSDK::Index s = 0; s < 4; ++s)
            mesh->add_polygon({s, (s + 1) % 4, (s + 1) % 4 + 4, s + 4});
    }
};
