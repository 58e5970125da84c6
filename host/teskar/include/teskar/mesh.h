#pragma once

#include "teskar/history.h"
#include "teskar/list_pool.h"

#include "vornsdk/component.h"
#include "vornsdk/mesh.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace teskar {

class MeshJournal;

// A selection set of the mesh: an ordered set seen through the SDK's selection interface.
template <class T>
class OrderedSelection : public VORNSDK::SelectionSet<T> {
public:
    explicit OrderedSelection(VORNSDK::OrderedSet<T> const& set) : set_(set) {}
    bool empty() const override { return set_.empty(); }
    std::size_t size() const override { return set_.size(); }
    bool contains(T const& e) const override { return set_.contains(e); }
    VORNSDK::SelectionIterator<T>* begin() const override { return new Iterator(set_.begin()); }
    VORNSDK::SelectionIterator<T>* end() const override { return new Iterator(set_.end()); }
    void append_to(std::vector<T>& out) const override { out.insert(out.end(), set_.begin(), set_.end()); }

private:
    class Iterator : public VORNSDK::SelectionIterator<T> {
    public:
        explicit Iterator(typename VORNSDK::OrderedSet<T>::iterator it) : it_(it) {}
        T operator*() const override { return *it_; }
        void advance() override { ++it_; }
        bool equals(VORNSDK::SelectionIterator<T> const& o) const override
        {
            return it_ == static_cast<Iterator const&>(o).it_;
        }

    private:
        typename VORNSDK::OrderedSet<T>::iterator it_;
    };
    VORNSDK::OrderedSet<T> const& set_;
};

// The host's polygon mesh.
//
// Points and polygons live in slots that are never reused, so indices stay valid (or simply
// vacant) for the life of the mesh. Every point knows the polygons that use it, which makes
// every topology query cost O(valence). Every change is recorded into the undo history's
// recording transaction, if one is open.
class Mesh : public VORNSDK::MeshInterface {
public:
    using Index = VORNSDK::Index;
    using Vector3d = VORNSDK::Vector3d;
    using VertexPair = VORNSDK::VertexPair;

    explicit Mesh(VORNSDK::Plugin* owner = nullptr);
    Mesh(Mesh const&) = delete;
    Mesh& operator=(Mesh const&) = delete;
    ~Mesh() override;

    bool point_exists(Index p) const override { return !points_.is_vacant(p); }
    Vector3d point_position(Index p) const override { return point_exists(p) ? positions_[p] : Vector3d{}; }
    void set_point_position(Index p, Vector3d const& position) override;
    void point_positions(std::span<Index const> points, std::span<Vector3d> out) const override;
    void move_points(std::span<Index const> points, std::function<void(std::span<Vector3d>)> const& move) override;
    Index add_point(Vector3d const& position) override;
    void remove_point(Index p) override;
    VORNSDK::Vector3f point_normal(Index p) const override;
    VORNSDK::MasterArray const& points() const override { return points_; }

    bool polygon_exists(Index f) const override { return !polygons_.is_vacant(f); }
    VORNSDK::PolygonVertices polygon_vertices(Index f) const override;
    Index add_polygon(VORNSDK::CompactIndexArray const& vertices) override;
    Index add_polygon(VORNSDK::CompactIndexArray const& vertices, Index model) override;
    void add_polygons(std::span<std::uint16_t const> sizes, std::span<Index const> corners,
                      std::span<Index> out) override;
    void remove_polygon(Index f) override;
    bool set_polygon_vertices(Index f, VORNSDK::CompactIndexArray const& vertices) override;
    bool insert_point_in_polygon(Index f, VertexPair const& edge, Index p) override;
    void flip_polygon(Index f) override;
    VORNSDK::Component polygon_material(Index f) const override;
    void set_polygon_material(Index f, VORNSDK::Component const& material) override;
    VORNSDK::PolygonProperties polygon_properties(Index f) const override;
    void set_polygon_properties(Index f, VORNSDK::PolygonProperties const& properties) override;
    VORNSDK::MasterArray const& polygons() const override { return polygons_; }
    void prepare_polygons(int kind, Index expected) override;
    void reserve(Index points, Index polygons) override;
    void finish_polygon(Index f) override;
    void update() override;

    bool edge_exists(VertexPair const& e) const override;
    std::size_t polygons_of_edge(VertexPair const& e, VORNSDK::PolyMarker& out) const override;
    void polygons_of_point(Index p, VORNSDK::PolyMarker& out) const override;
    void edges_of_point(Index p, VORNSDK::EdgeMarker& out) const override;
    void neighbours_of_point(Index p, VORNSDK::VertexMarker& out) const override;
    std::span<Index const> point_polygons(Index p) const override;
    bool is_map_seam(VertexPair const&) const override { return false; }

    VORNSDK::SelectionSet<Index> const& selected_points() const override { return sel_points_view_; }
    VORNSDK::SelectionSet<VertexPair> const& selected_edges() const override { return sel_edges_view_; }
    VORNSDK::SelectionSet<Index> const& selected_polygons() const override { return sel_polys_view_; }
    bool set_point_selection(Index p, bool selected) override;
    bool set_edge_selection(VertexPair const& e, bool selected) override;
    bool set_polygon_selection(Index f, bool selected) override;
    bool polygon_selected(Index f) const override { return f < poly_selected_.size() && poly_selected_[f]; }
    bool point_selected(Index p) const { return p < point_selected_.size() && point_selected_[p]; }
    void select_all(int kind, bool selected) override;

    bool edge_hard(VertexPair const& e) const override;
    void set_edge_hard(VertexPair const& e, bool hard) override;
    void set_side_hard(Index f, std::size_t k, bool hard) override;
    void set_sides_hard(std::span<Index const> polygons, bool hard) override;
    std::size_t hard_edge_count() const override;
    // Whether polygon f marks its side k hard (the edge may be hard through another polygon).
    bool side_marked_hard(Index f, std::size_t k) const
    {
        if (k < kMarkBits)
            return f < side_marks_.size() && (side_marks_[f] >> k & 1) != 0;
        return !long_side_marks_.empty() && long_side_marks_.contains(long_side_key(f, k));
    }

    std::size_t num_vertex_maps() const override { return maps_.size(); }
    VORNSDK::String vertex_map_name(std::size_t map) const override;
    int vertex_map_dimension(std::size_t map) const override;
    std::size_t add_vertex_map(VORNSDK::String const& name, int dimension) override;
    // The per-corner values of one polygon in one map (empty when the polygon has none).
    std::vector<float> const& corner_values(std::size_t map, Index f) const;
    void set_corner_values(std::size_t map, Index f, std::vector<float> values);

    std::size_t add_geometry(VORNSDK::MeshInterface const& source, std::span<VORNSDK::Matrix4d const> placements) override;

    void bounding_box(Vector3d& min, Vector3d& max) const override;

    int edit_nesting() const override { return nesting_; }
    void open_edit() override { ++nesting_; }
    void close_edit() override;

    // Counts a change of any kind; derived data (normals, picking structures) compares it.
    std::uint64_t revision() const { return revision_; }

    // The geometry changes since the log last started over, for derived data that catches up
    // with an edit at the cost of the edit (picking, the browser's frames): polygons added,
    // removed or given another vertex list, and points moved or removed, in order, possibly more
    // than once. New points need not be listed: they take the slots after the old ones. The log
    // starts over (a new epoch, telling readers to rebuild) when it outgrows the mesh.
    struct GeometryLog {
        std::span<Index const> polygons;
        std::span<Index const> points;
        std::uint64_t epoch = 0;
    };
    GeometryLog geometry_log() const { return {log_polygons_, log_points_, log_epoch_}; }
    // The edges of the mesh, each once, in polygon order.
    std::size_t count_edges() const;
    // Heap memory held by the mesh (without the undo history).
    std::size_t memory_bytes() const;

    // Every promise of the store that the mesh breaks, one readable line each; empty when it keeps
    // them all: slot arrays sized to the slots, vertex lists of three or more distinct live points,
    // point-to-polygon lists that agree with the vertex lists both ways, materials, selections and
    // hard edges naming live elements, per-corner values of live polygons only, and the journal's
    // bookkeeping. Costs O(corners * valence).
    std::vector<std::string> validate() const;

    // A place where the surface is not a manifold. Files may hold such places on purpose, so they
    // are reported apart from validate(); an edit should not add any.
    struct ManifoldProblem {
        enum Kind { Crowded, SameDirection };
        Kind kind;
        // Crowded: the edge with its lower point first. SameDirection: as both polygons run it.
        VertexPair edge;
        // Crowded: every polygon that uses the edge. SameDirection: the two polygons.
        std::vector<Index> polygons;
        std::string text() const;
    };
    // Edges used by more than two polygons, and pairs of polygons that run along a shared edge in
    // the same direction; in the order the polygons first reach them.
    std::vector<ManifoldProblem> manifold_problems() const;

    // Most materials one mesh tells apart; a further one is not assigned.
    static constexpr std::size_t kMaxMaterials = 0xFFFF;

private:
    friend class MeshJournal;
    friend class MeshBuilder;
    // Tests break meshes on purpose to see that validate() notices.
    friend class MeshTestAccess;

    // What a map holds: a value block per corner of the polygons that have values.
    struct VertexMap {
        VORNSDK::String name;
        int dimension = 2;
        std::unordered_map<Index, std::vector<float>> values;
    };

    // The recording step's part for this mesh, or null; cached until the history moves on.
    MeshJournal* journal() { return journal_generation_ == history_.generation() ? journal_ : find_journal(); }
    MeshJournal* find_journal();
    void touch_position(Index p);
    void touch_adjacency(Index p);
    void touch_polygon(Index f);
    void touch_marks(Index f);
    void touch_sets();
    void changed() { ++revision_; }
    // Drops the point and polygon slots from these counts on, with whatever they hold: the slots
    // of elements that a reverted step had added, so that re-running an edit reuses them.
    void drop_slots(Index points, Index polygons);
    void log_polygon(Index f)
    {
        log_polygons_.push_back(f);
        trim_log();
    }
    void log_point(Index p)
    {
        log_points_.push_back(p);
        trim_log();
    }
    void trim_log();
    // A new epoch of the geometry log, with nothing in it: its readers rebuild.
    void start_log_over();
    // Epochs are unique across meshes, so that a reader keeping a mesh's address and epoch
    // cannot take a new mesh at the old one's address for it.
    static std::uint64_t new_log_epoch();

    bool valid_vertex_list(std::span<Index const> vertices) const;
    // Whether polygon f could take `side`, running from its v1 to its v2, without a polygon
    // already running that way or two others having the edge.
    bool room_for_side(VertexPair const& side, Index f) const;
    // The material's number in the mesh's table; none when the table is full.
    std::optional<std::uint16_t> material_id(VORNSDK::Component const& material);
    Index new_polygon(VORNSDK::CompactIndexArray const& vertices);
    // Replaces a polygon's vertex list, keeping the adjacency of the points it gains and loses,
    // and the hard marks of the sides it keeps.
    void replace_vertices(Index f, std::span<Index const> vertices);
    // Drops, from the edge selection, the sides of a vertex list that no polygon uses any more.
    void forget_vanished_edges(std::vector<Index> const& old_vertices);

    // Hard marks of polygon sides: a bit per side for the first eight, a set for the rest.
    static constexpr std::size_t kMarkBits = 8;
    static std::uint64_t long_side_key(Index f, std::size_t k) { return (std::uint64_t(f) << 16) | k; }
    void mark_side(Index f, std::size_t k, bool hard);
    // The polygon other than `except` with e as a side, and that side's place; none when absent.
    std::optional<std::pair<Index, std::size_t>> side_of(VertexPair const& e, Index except) const;
    // The hard-marked sides of f as edges, oldest marks first.
    std::vector<VertexPair> marked_sides(Index f, std::span<Index const> list) const;
    // Clears the marks f had on the sides of its old list (of old_size points) and marks again
    // each marked edge: on f when f still has it, else on another polygon that has it.
    void pass_on_marks(Index f, std::size_t old_size, std::vector<VertexPair> const& marked);

    VORNSDK::Plugin* owner_;
    VORNSDK::MasterArray points_;
    std::vector<Vector3d> positions_;
    ListPool point_polys_;
    std::vector<std::uint8_t> point_selected_;
    VORNSDK::MasterArray polygons_;
    ListPool corners_;
    std::vector<std::uint16_t> materials_;
    std::vector<std::uint8_t> poly_selected_;
    std::vector<std::uint8_t> side_marks_;
    std::unordered_set<std::uint64_t> long_side_marks_;
    // Whether a side was ever marked hard: until then no edge is hard, whatever the query.
    bool ever_marked_ = false;
    std::vector<VORNSDK::Component> material_table_{VORNSDK::Component()};
    std::vector<VertexMap> maps_;

    VORNSDK::OrderedSet<Index> sel_points_;
    VORNSDK::OrderedSet<VertexPair> sel_edges_;
    VORNSDK::OrderedSet<Index> sel_polys_;
    OrderedSelection<Index> sel_points_view_{sel_points_};
    OrderedSelection<VertexPair> sel_edges_view_{sel_edges_};
    OrderedSelection<Index> sel_polys_view_{sel_polys_};

    int nesting_ = 0;
    std::uint64_t revision_ = 0;
    std::vector<Index> log_polygons_, log_points_;
    std::uint64_t log_epoch_ = new_log_epoch();

    // The part of the recording transaction that holds this mesh's changes.
    UndoHistory& history_;
    MeshJournal* journal_ = nullptr;
    // The polygon whose marks touch_marks saved last, and the history's generation then.
    Index marks_saved_for_ = VORNSDK::kNoIndex;
    std::uint64_t marks_saved_generation_ = 0;
    std::uint64_t journal_generation_ = 0;
    // The transaction that was recording when the mesh was made: a mesh is not journalled by it,
    // since undoing that transaction takes away the mesh's item as a whole.
    std::uint64_t born_in_ = 0;

    // Scratch lists of the edits, kept to spare an allocation per edit.
    std::vector<Index> old_scratch_, fresh_scratch_, insert_scratch_;

    mutable std::uint64_t box_revision_ = ~std::uint64_t(0);
    mutable Vector3d box_min_, box_max_;
};

} // namespace teskar
