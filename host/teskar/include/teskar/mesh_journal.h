#pragma once

#include "teskar/history.h"
#include "teskar/mesh.h"

#include <optional>

namespace teskar {

// The changes of one undo step to one mesh. Each element is saved the first time the step
// changes it, so the cost follows the size of the edit, not of the mesh.
class MeshJournal : public StepPart {
public:
    explicit MeshJournal(Mesh& mesh);

    void const* target() const override { return mesh_; }
    bool empty() const override;
    void undo() override;
    void redo() override;
    void revert() override;
    void absorb(StepPart& other) override;

    void save_position(VORNSDK::Index p);
    void save_added_point(VORNSDK::Index p);
    void save_adjacency(VORNSDK::Index p);
    void save_polygon(VORNSDK::Index f);
    void save_added_polygon(VORNSDK::Index f);
    void save_sets();

private:
    using Index = VORNSDK::Index;
    struct PointState {
        Index p;
        bool occupied;
        VORNSDK::Vector3d position;
        std::uint64_t tick;
    };
    struct AdjacencyState {
        Index p;
        std::vector<Index> polygons;
        std::uint64_t tick;
    };
    struct PolygonState {
        Index f;
        bool occupied;
        std::vector<Index> vertices;
        std::uint32_t material;
        std::vector<std::pair<std::size_t, std::vector<float>>> maps;
        std::uint64_t tick;
    };
    struct Sets {
        VORNSDK::OrderedSet<Index> points, polygons;
        VORNSDK::OrderedSet<VORNSDK::VertexPair> edges, hard;
        std::uint64_t tick;
    };
    struct States {
        std::vector<PointState> points;
        std::vector<AdjacencyState> adjacency;
        std::vector<PolygonState> polygons;
        std::optional<Sets> sets;
    };

    PolygonState polygon_state(Index f, std::uint64_t tick) const;
    Sets sets_state(std::uint64_t tick) const;
    // The mesh's present state of the elements that states names.
    States capture(States const& states) const;
    void apply(States const& states);
    // Marks every saved element as saved by this journal.
    void stamp();

    Mesh* mesh_;
    VORNSDK::Component keep_;
    std::uint32_t id_;
    States before_, after_;
};

} // namespace teskar
