#include "teskar/mesh_recorder.h"

#include "teskar/host_plugin.h"
#include "teskar/mesh_item.h"

#include "vornsdk/description.h"

namespace teskar {

using namespace VORNSDK;

namespace {

// A copy of a mesh's geometry. The copy is made whole when the recording takes it, so its mesh is
// never journalled: a mesh made while a transaction records belongs to that transaction, and
// one made while none records is changed while none records.
std::unique_ptr<Mesh> copy_of(MeshInterface const& source)
{
    auto copy = std::make_unique<Mesh>();
    Matrix4d const identity;
    copy->add_geometry(source, {&identity, 1});
    return copy;
}

} // namespace

bool MeshEditRecorder::describe(ComponentDescription& d)
{
    d.add_tag(Description::user_name(), "Mesh Edit Recorder");
    return true;
}

void* MeshEditRecorder::query_interface(UniqueID const& id)
{
    return id == MeshEditRecorderInterface::iid() ? static_cast<MeshEditRecorderInterface*>(this) : nullptr;
}

bool MeshEditRecorder::begin(Component const& mesh)
{
    if (recording_)
        end();
    auto const* source = get_interface<MeshInterface>(mesh);
    if (!source)
        return false;
    source_ = mesh;
    before_ = copy_of(*source);
    after_.reset();
    recording_ = true;
    return true;
}

bool MeshEditRecorder::end()
{
    if (!recording_)
        return false;
    recording_ = false;
    auto const* source = get_interface<MeshInterface>(source_);
    after_ = source ? copy_of(*source) : std::make_unique<Mesh>();
    return true;
}

std::size_t MeshEditRecorder::play(MeshInterface& target, Matrix4d const& placement) const
{
    if (!after_)
        return 0;
    return target.add_geometry(*after_, {&placement, 1});
}

void register_mesh_recorder(Registry& registry) { register_host_plugin<MeshEditRecorder>(registry, "MeshEditRecorder"); }

} // namespace teskar

namespace VORNSDK {
MeshEditRecorderInterface::~MeshEditRecorderInterface() = default;
} // namespace VORNSDK
