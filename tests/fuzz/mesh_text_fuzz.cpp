// Feeds arbitrary bytes to the mesh text reader and the edge list reader. Besides not crashing,
// whatever the reader accepted must be a sound mesh and survive a write and a second read unchanged.
#include "commands/mesh_text.h"
#include "edge_tools/edge_text.h"

#include "teskar/mesh_item.h"
#include "teskar/scene.h"

#include "vornsdk/mesh.h"

#include <cstdint>
#include <string_view>

using namespace VORNSDK;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    static bool const scene = (teskar::new_scene(), true);
    (void)scene;
    std::string_view const text(reinterpret_cast<char const*>(data), size);
    tolvir::read_edge_list(text);

    Component const first = Component::create("RawMesh");
    auto* mesh = get_interface<MeshInterface>(first);
    tolvir::read_mesh_text(*mesh, text);
    if (!teskar::mesh_of(first)->validate().empty())
        __builtin_trap();
    std::string const written = tolvir::write_mesh_text(*mesh, mesh->polygons().begin(), mesh->polygons().end(),
                                                        nullptr, false)
                                    .to_utf8();

    Component const second = Component::create("RawMesh");
    auto* copy = get_interface<MeshInterface>(second);
    auto const report = tolvir::read_mesh_text(*copy, std::string_view(written));
    std::string const rewritten =
        tolvir::write_mesh_text(*copy, copy->polygons().begin(), copy->polygons().end(), nullptr, false).to_utf8();
    if (!report.complete || rewritten != written)
        __builtin_trap();
    return 0;
}
