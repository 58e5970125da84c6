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
    bool unchanged() const override;
    void undo() override;
    void redo() override;
    void revert() override;
    void absorb(StepPart& other) override;

    void save_position(VORNSDK::Index p);
    // save_position for every point of the list that exists, in one go.
    void save_positions(std::span<VORNSDK::Index const> points);
    // Makes room to save the positions of count more points.
    void reserve_positions(std::size_t count);
    void save_added_point(VORNSDK::Index p);
    // save_added_point and save_added_polygon for the elements of a run of new slots each.
    void save_added(VORNSDK::Index first_point, VORNSDK::Index points, VORNSDK::Index first_polygon,
                    VORNSDK::Index polygons);
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
    // Index lists (adjacency, vertex lists) live in one pool per States; a state names its slice.
    struct Slice {
        std::uint32_t offset = 0, count = 0;
    };
    struct AdjacencyState {
        Index p;
        Slice polygons;
        std::uint64_t tick;
    };
    struct PolygonState {
        Index f;
        bool occupied;
        Slice vertices;
        std::uint32_t material;
        std::uint64_t tick;
    };
    // Per-corner values of a saved polygon, by map.
    struct MapValues {
        Index f;
        std::size_t map;
        std::vector<float> values;
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
        std::vector<MapValues> maps;
        std::vector<Index> pool;
        std::optional<Sets> sets;

        Slice keep(std::span<Index const> list);
        std::span<Index const> get(Slice s) const { return {pool.data() + s.offset, s.count}; }
    };

    void save_polygon_into(States& states, Index f, std::uint64_t tick) const;
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
