#pragma once

#include "teskar/history.h"
#include "teskar/mesh.h"

#include <array>
#include <memory>
#include <optional>
#include <unordered_set>

namespace teskar {

// Which indices a journal has saved: a bit each, in pages made when first needed, so that an
// edit of a few elements of a big mesh costs a few pages.
class SavedBits {
public:
    // True the first time for i (which then counts as saved).
    bool first_time(VORNSDK::Index i)
    {
        std::size_t const page = i >> 12;
        if (page >= pages_.size())
            pages_.resize(page + 1);
        if (!pages_[page])
            pages_[page] = std::make_unique<Page>();
        std::uint64_t& word = (*pages_[page])[(i >> 6) & 63];
        std::uint64_t const bit = std::uint64_t(1) << (i & 63);
        if (word & bit)
            return false;
        word |= bit;
        return true;
    }
    void clear() { pages_.clear(); }

private:
    using Page = std::array<std::uint64_t, 64>;
    std::vector<std::unique_ptr<Page>> pages_;
};

// The changes of one undo step to one mesh. Each element that existed when the step began is
// saved the first time the step changes it; elements added during the step are known by their
// slots, which come after every slot the mesh had then. So the cost follows the size of the
// edit, not of the mesh.
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
    // Makes room to save the positions of count more points, for an edit that moves many.
    void reserve_positions(std::size_t count);
    void reserve_marks(std::size_t count);
    // save_position for each point of a list of existing points, in one go.
    void save_positions(std::span<VORNSDK::Index const> points);
    void save_adjacency(VORNSDK::Index p);
    void save_polygon(VORNSDK::Index f);
    void save_marks(VORNSDK::Index f);
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
        std::uint16_t material;
        std::uint64_t tick;
    };
    // The hard marks of a polygon's first sides.
    struct MarkState {
        Index f;
        std::uint8_t marks;
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
        VORNSDK::OrderedSet<VORNSDK::VertexPair> edges;
        std::unordered_set<std::uint64_t> long_marks;
        std::uint64_t tick;
    };
    struct States {
        std::vector<PointState> points;
        std::vector<AdjacencyState> adjacency;
        std::vector<PolygonState> polygons;
        std::vector<MarkState> marks;
        std::vector<MapValues> maps;
        std::vector<Index> pool;
        std::optional<Sets> sets;

        Slice keep(std::span<Index const> list);
        std::span<Index const> get(Slice s) const { return {pool.data() + s.offset, s.count}; }
    };
    // The elements added during the step as they were when it was undone, for redo.
    struct Added {
        std::vector<PointState> points;
        std::vector<AdjacencyState> adjacency;
        std::vector<PolygonState> polygons;
        std::vector<MarkState> marks;
        std::vector<MapValues> maps;
        std::vector<Index> pool;
    };

    void save_polygon_into(States& states, Index f, std::uint64_t tick) const;
    Sets sets_state(std::uint64_t tick) const;
    // The mesh's present state of the elements that states names.
    void swap_points(std::vector<PointState>& states);
    States capture(States const& states) const;
    void apply(States const& states);
    // The added elements' present state, and taking them out of the mesh, and putting them back.
    Added capture_added() const;
    void vacate_added();
    void restore_added(Added const& added);
    bool any_added_alive() const;
    // Marks every saved element as saved.
    void mark_saved();

    Mesh* mesh_;
    VORNSDK::Component keep_;
    // Slots from these on were added during the step; those before the scan marks were taken
    // out again by a restore, so only the rest can hold live elements.
    Index first_new_point_, first_new_polygon_;
    Index scan_point_, scan_polygon_;
    SavedBits saved_positions_, saved_adjacency_, saved_polygons_, saved_marks_;
    States before_, after_;
    Added added_after_;
};

} // namespace teskar
