#pragma once

#include "module_env.h"

#include "teskar/history.h"
#include "teskar/mesh_item.h"
#include "teskar/tool_handler.h"

#include "vornsdk/host.h"

#include <benchmark/benchmark.h>

#include <optional>

// A fresh scene holding one mesh item, filled by fill and selected, with no tool active, an empty
// history and, when one is given, that selection mode; built once per benchmark.
struct MeshStage {
    VORNSDK::Component item;
    teskar::Mesh* mesh = nullptr;

    template <class Fill>
    explicit MeshStage(Fill fill, std::optional<int> mode = std::nullopt)
    {
        register_module();
        teskar::deactivate_tool();
        teskar::UndoHistory::instance().clear();
        teskar::new_scene();
        item = VORNSDK::Component::create("SceneObject");
        mesh = teskar::mesh_of(item);
        fill(*mesh);
        teskar::scene_of(VORNSDK::active_scene())->add_item(item);
        VORNSDK::add_to_selection(item);
        if (mode)
            VORNSDK::set_selection_mode(*mode);
    }
};

// Times run() and undoes its step outside the timing.
template <class Run>
void timed_edits(benchmark::State& state, Run run)
{
    for (auto _ : state) {
        run();
        state.PauseTiming();
        teskar::UndoHistory::instance().undo();
        teskar::UndoHistory::instance().clear();
        state.ResumeTiming();
    }
}
