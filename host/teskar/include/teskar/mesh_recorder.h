#pragma once

#include "teskar/mesh.h"
#include "teskar/registry.h"

#include "vornsdk/mesh_recorder.h"
#include "vornsdk/plugin.h"

#include <memory>

namespace teskar {

// The host's "MeshEditRecorder" (see MeshEditRecorderInterface).
class MeshEditRecorder : public VORNSDK::Plugin, public VORNSDK::MeshEditRecorderInterface {
public:
    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;

    bool begin(VORNSDK::Component const& mesh) override;
    bool end() override;
    bool recording() const override { return recording_; }
    VORNSDK::Component source() const override { return source_; }
    VORNSDK::MeshInterface const* before() const override { return before_.get(); }
    VORNSDK::MeshInterface const* after() const override { return after_.get(); }
    std::size_t play(VORNSDK::MeshInterface& target, VORNSDK::Matrix4d const& placement) const override;

private:
    VORNSDK::Component source_;
    std::unique_ptr<Mesh> before_, after_;
    bool recording_ = false;
};

void register_mesh_recorder(Registry& registry);

} // namespace teskar
