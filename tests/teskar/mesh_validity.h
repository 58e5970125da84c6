#pragma once

#include "teskar/mesh_item.h"
#include "teskar/scene.h"

#include "vornsdk/scene.h"

#include <gtest/gtest.h>

// Whether a mesh keeps every promise of the store; the failure lists what it breaks. Tests check
// it after edits, undo and redo: EXPECT_TRUE(valid(*mesh)).
inline ::testing::AssertionResult valid(teskar::Mesh const& mesh)
{
    auto const problems = mesh.validate();
    if (problems.empty())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "the mesh breaks the store's promises:";
    for (auto const& line : problems)
        failure << "\n  " << line;
    return failure;
}

// The same for every mesh item of the active scene, named in the failure.
inline ::testing::AssertionResult valid_scene()
{
    teskar::Scene const* scene = teskar::scene_of(VORNSDK::active_scene());
    if (!scene)
        return ::testing::AssertionSuccess();
    bool ok = true;
    auto failure = ::testing::AssertionFailure();
    for (VORNSDK::Component const& item : scene->items())
        if (teskar::Mesh const* mesh = teskar::mesh_of(item))
            if (auto const result = valid(*mesh); !result) {
                ok = false;
                failure << "item '" << teskar::item_of(item)->name().to_utf8() << "': " << result.message() << '\n';
            }
    return ok ? ::testing::AssertionSuccess() : failure;
}
