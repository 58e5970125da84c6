#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/index_set.h"
#include "vornsdk/math.h"
#include "vornsdk/unique_id.h"

#include <cstdint>
#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace VORNSDK {

// Most vertices a polygon can have.
inline constexpr std::uint16_t kMaxPolygonVertices = 0xFFFF;

// An index list whose size fits 16 bits, as polygon vertex lists do. Growing past 65535 entries
// is refused (push_back answers false).
class CompactIndexArray {
public:
    CompactIndexArray() = default;
    CompactIndexArray(std::initializer_list<Index> list) : items_(list) {}
    CompactIndexArray(Index const* first, std::uint16_t count) : items_(first, first + count) {}

    std::uint16_t size() const { return static_cast<std::uint16_t>(items_.size()); }
    bool empty() const { return items_.empty(); }
    Index operator[](std::size_t i) const { return items_[i]; }
    Index& operator[](std::size_t i) { return items_[i]; }
    Index const* data() const { return items_.data(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    Index front() const { return items_.front(); }
    Index back() const { return items_.back(); }

    bool push_back(Index i)
    {
        if (items_.size() >= kMaxPolygonVertices)
            return false;
        items_.push_back(i);
        return true;
    }
    bool insert(std::size_t position, Index i)
    {
        if (items_.size() >= kMaxPolygonVertices || position > items_.size())
            return false;
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), i);
        return true;
    }
    void clear() { items_.clear(); }
    void resize(std::uint16_t n) { items_.resize(n); }
    void reverse() { std::reverse(items_.begin(), items_.end()); }
    friend bool operator==(CompactIndexArray const&, CompactIndexArray const&) = default;

private:
    std::vector<Index> items_;
};

using EdgeArray = std::vector<VertexPair>;
using IndexSet = OrderedSet<Index>;
using EdgeSet = OrderedSet<VertexPair>;

// Scratch sets of mesh elements: insertion order, O(1) membership. A marker changes nothing in
// the mesh it was made for.
using VertexMarker = OrderedSet<Index>;
using PolyMarker = OrderedSet<Index>;
using EdgeMarker = OrderedSet<VertexPair>;

// A stack of indices for flood fills.
class FastIndexStack {
public:
    void push(Index i) { items_.push_back(i); }
    Index pop()
    {
        Index const i = items_.back();
        items_.pop_back();
        return i;
    }
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    void swap(FastIndexStack& other) { items_.swap(other.items_); }

private:
    std::vector<Index> items_;
};

// Slots of mesh elements. A freed slot stays vacant and is never handed out again, so indices
// stay stable for the life of the mesh.
class MasterArray {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Index;
        using difference_type = std::ptrdiff_t;
        using pointer = Index const*;
        using reference = Index;

        Iterator(MasterArray const* array, Index i) : array_(array), i_(i) { skip(); }
        Index operator*() const { return i_; }
        Iterator& operator++()
        {
            ++i_;
            skip();
            return *this;
        }
        bool operator==(Iterator const& o) const { return i_ == o.i_; }
        bool operator!=(Iterator const& o) const { return i_ != o.i_; }

    private:
        void skip()
        {
            while (i_ < array_->slots() && array_->is_vacant(i_))
                ++i_;
        }
        MasterArray const* array_;
        Index i_;
    };

    Index slots() const { return static_cast<Index>(occupied_.size()); }
    Index count() const { return count_; }
    bool is_vacant(Index i) const { return i >= occupied_.size() || !occupied_[i]; }
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, slots()); }

    // Host side: hands out the next slot; marks a slot occupied or vacant.
    void reserve(std::size_t slots) { occupied_.reserve(slots); }
    Index allocate()
    {
        occupied_.push_back(1);
        ++count_;
        return slots() - 1;
    }
    // Hands out n slots in a row; answers the first.
    Index allocate(Index n)
    {
        Index const first = slots();
        occupied_.resize(occupied_.size() + n, 1);
        count_ += n;
        return first;
    }
    void set_occupied(Index i, bool occupied)
    {
        if (i >= occupied_.size())
            occupied_.resize(i + 1, 0);
        if (bool(occupied_[i]) == occupied)
            return;
        occupied_[i] = occupied;
        count_ += occupied ? 1 : -1;
    }
    // Host side: drops the slots from this one on.
    void truncate(Index slots)
    {
        for (Index i = slots; i < occupied_.size(); ++i)
            count_ -= occupied_[i];
        if (slots < occupied_.size())
            occupied_.resize(slots);
    }

private:
    std::vector<std::uint8_t> occupied_;
    Index count_ = 0;
};

using MasterArrayIterator = MasterArray::Iterator;

// Iterator object of a selection set, made by begin() and end() and deleted by the caller.
template <class T>
class SelectionIterator {
public:
    virtual ~SelectionIterator() = default;
    virtual T operator*() const = 0;
    virtual void advance() = 0;
    virtual bool equals(SelectionIterator const& other) const = 0;
};

// A selection owned by a mesh: iterates in selection order, with O(1) membership.
template <class T>
class SelectionSet {
public:
    virtual ~SelectionSet() = default;
    virtual bool empty() const = 0;
    virtual std::size_t size() const = 0;
    virtual bool contains(T const& element) const = 0;
    virtual SelectionIterator<T>* begin() const = 0;
    virtual SelectionIterator<T>* end() const = 0;
    // Appends every element, in selection order: one call for what the iterators hand over one
    // element at a time.
    virtual void append_to(std::vector<T>& out) const
    {
        std::unique_ptr<SelectionIterator<T>> const first(begin()), last(end());
        for (; !first->equals(*last); first->advance())
            out.push_back(**first);
    }
};

// Walks a selection set in a range-for loop, deleting the iterator objects afterwards.
template <class T>
class SelectionRange {
public:
    explicit SelectionRange(SelectionSet<T> const& set) : begin_(set.begin()), end_(set.end()) {}
    class iterator {
    public:
        explicit iterator(SelectionIterator<T>* it) : it_(it) {}
        T operator*() const { return **it_; }
        iterator& operator++()
        {
            it_->advance();
            return *this;
        }
        bool operator!=(iterator const& o) const { return !it_->equals(*o.it_); }

    private:
        SelectionIterator<T>* it_;
    };
    iterator begin() const { return iterator(begin_.get()); }
    iterator end() const { return iterator(end_.get()); }

private:
    std::unique_ptr<SelectionIterator<T>> begin_, end_;
};

template <class T>
SelectionRange<T> each(SelectionSet<T> const& set)
{
    return SelectionRange<T>(set);
}

// A copy of a selection, for loops that change the selection while they walk it.
template <class T>
std::vector<T> to_vector(SelectionSet<T> const& set)
{
    std::vector<T> out;
    out.reserve(set.size());
    set.append_to(out);
    return out;
}

// The element kinds of selection calls.
inline constexpr int kElementPoints = 0;
inline constexpr int kElementEdges = 1;
inline constexpr int kElementPolygons = 2;

// A polygon's vertex list as the mesh holds it: winding order, 16-bit count.
struct PolygonVertices {
    Index const* first = nullptr;
    std::uint16_t count = 0;

    Index operator[](std::size_t i) const { return first[i]; }
    Index const* begin() const { return first; }
    Index const* end() const { return first + count; }
    // The side from vertex k to vertex k + 1, the last side closing to vertex 0.
    VertexPair edge(std::size_t k) const { return {first[k], first[(k + 1) % count]}; }
};

// What a new polygon copies from the one it is modelled on: material and per-corner values.
struct PolygonProperties {
    Component material;
    // Per vertex map (by the mesh's map order): one value block per corner, in winding order.
    std::vector<std::vector<float>> corner_values;
};

// Argument of add_polygon: model the new polygon on no polygon but on the mesh's defaults.
inline constexpr Index kDefaultPolygon = 1u << 31;

// A polygon mesh owned by the host.
class VORNSDK_API MeshInterface {
public:
    VORNSDK_INTERFACE_ID("9c4b1e70-2f83-4d5a-b6e1-7a8c9d0e1f01")
    virtual ~MeshInterface();

    // Points. Every operation tolerates stale or out-of-range indices: no change, neutral answer.
    virtual bool point_exists(Index p) const = 0;
    virtual Vector3d point_position(Index p) const = 0;
    virtual void set_point_position(Index p, Vector3d const& position) = 0;
    // Many positions at once: out[k] is the position of points[k] (0, 0, 0 for a vacant point).
    // The spans have the same length.
    virtual void point_positions(std::span<Index const> points, std::span<Vector3d> out) const = 0;
    // Moves many points by one function over positions: the positions of the existing points of
    // the list are handed to move a block at a time (in list order, blocks of at most 1024), and
    // what move leaves in the block is written back, each recorded for undo as set_point_position
    // records it. The blocks stay small enough to stay in the processor's cache.
    virtual void move_points(std::span<Index const> points, std::function<void(std::span<Vector3d>)> const& move) = 0;
    virtual Index add_point(Vector3d const& position) = 0;
    // Removes the point from every polygon that uses it; polygons left with fewer than three
    // vertices are removed with it, and so is a polygon whose side closing the gap would join an
    // edge two other polygons have already or run along a neighbour the same way. Points that
    // only such removed polygons used are removed too.
    virtual void remove_point(Index p) = 0;
    // Normalised sum of the area-weighted normals of the polygons around the point.
    virtual Vector3f point_normal(Index p) const = 0;
    virtual MasterArray const& points() const = 0;

    // Polygons.
    virtual bool polygon_exists(Index f) const = 0;
    virtual PolygonVertices polygon_vertices(Index f) const = 0;
    // A new polygon with the default properties; kNoIndex when the list has fewer than three
    // vertices, names a missing point or repeats one.
    virtual Index add_polygon(CompactIndexArray const& vertices) = 0;
    // A new polygon with the properties of model (or the defaults for kDefaultPolygon).
    virtual Index add_polygon(CompactIndexArray const& vertices, Index model) = 0;
    // Many new polygons with the default properties: polygon k has the sizes[k] points that follow
    // those of polygon k - 1 in corners. out[k] receives its index, or kNoIndex for a list that
    // add_polygon would refuse (nothing is added for it). sizes and out have the same length, and
    // corners holds the sum of sizes. Much quicker than one call per polygon into a mesh that has
    // had no polygons yet.
    virtual void add_polygons(std::span<std::uint16_t const> sizes, std::span<Index const> corners,
                              std::span<Index> out) = 0;
    virtual void remove_polygon(Index f) = 0;
    virtual bool set_polygon_vertices(Index f, CompactIndexArray const& vertices) = 0;
    // Inserts point p into polygon f between the two points of edge, whichever way f runs along it.
    // When edge is hard or selected, both of its halves are too.
    virtual bool insert_point_in_polygon(Index f, VertexPair const& edge, Index p) = 0;
    // Reverses the polygon's vertex list and its per-corner values.
    virtual void flip_polygon(Index f) = 0;
    virtual Component polygon_material(Index f) const = 0;
    virtual void set_polygon_material(Index f, Component const& material) = 0;
    virtual PolygonProperties polygon_properties(Index f) const = 0;
    virtual void set_polygon_properties(Index f, PolygonProperties const& properties) = 0;
    virtual MasterArray const& polygons() const = 0;
    // Called before adding many polygons (kind, expected count); a hint only.
    virtual void prepare_polygons(int kind, Index expected) = 0;
    // Makes room for that many more points and polygons; a hint only.
    virtual void reserve(Index points, Index polygons) = 0;
    // Follow-up on a polygon made by an edit (refreshes its derived data).
    virtual void finish_polygon(Index f) = 0;
    // Final update after an edit: derived data (normals, bounds, picking) is recomputed.
    virtual void update() = 0;

    // Topology, each in O(valence).
    virtual bool edge_exists(VertexPair const& e) const = 0;
    // Fills the polygons that have e as a side; answers their number.
    virtual std::size_t polygons_of_edge(VertexPair const& e, PolyMarker& out) const = 0;
    virtual void polygons_of_point(Index p, PolyMarker& out) const = 0;
    virtual void edges_of_point(Index p, EdgeMarker& out) const = 0;
    virtual void neighbours_of_point(Index p, VertexMarker& out) const = 0;
    // The polygons around a point without copying them (valid until the next edit).
    virtual std::span<Index const> point_polygons(Index p) const = 0;
    // Whether the edge is a seam of a per-corner map (such edges do not count as borders).
    virtual bool is_map_seam(VertexPair const& e) const = 0;

    // Selection.
    virtual SelectionSet<Index> const& selected_points() const = 0;
    virtual SelectionSet<VertexPair> const& selected_edges() const = 0;
    virtual SelectionSet<Index> const& selected_polygons() const = 0;
    virtual bool set_point_selection(Index p, bool selected) = 0;
    virtual bool set_edge_selection(VertexPair const& e, bool selected) = 0;
    // Whether the polygon's state changed.
    virtual bool set_polygon_selection(Index f, bool selected) = 0;
    virtual bool polygon_selected(Index f) const = 0;
    // Selects or deselects every element of one kind (kElementPoints, kElementEdges, kElementPolygons).
    virtual void select_all(int kind, bool selected) = 0;

    // Hard edges. An edge is hard while a polygon along it marks its side hard: both halves of a
    // split side stay hard, and a marked side that leaves its polygon passes the mark on to the
    // other polygons along the edge. Each query costs O(valence).
    virtual bool edge_hard(VertexPair const& e) const = 0;
    virtual void set_edge_hard(VertexPair const& e, bool hard) = 0;
    // Side k of polygon f (from its vertex k to vertex k + 1): marking it hard costs O(1); making
    // it soft makes the whole edge soft, along every polygon.
    virtual void set_side_hard(Index f, std::size_t k, bool hard) = 0;
    // Every side of each of these polygons at once: hard costs O(1) a polygon of up to eight
    // sides; soft is set_side_hard for each side.
    virtual void set_sides_hard(std::span<Index const> polygons, bool hard) = 0;
    // The number of hard edges; costs O(polygons).
    virtual std::size_t hard_edge_count() const = 0;

    // Per-corner maps ("UV" and others): names and value sizes.
    virtual std::size_t num_vertex_maps() const = 0;
    virtual String vertex_map_name(std::size_t map) const = 0;
    virtual int vertex_map_dimension(std::size_t map) const = 0;
    // Adds a map (or finds the one with this name); answers its position.
    virtual std::size_t add_vertex_map(String const& name, int dimension) = 0;

    // Adds the geometry of another mesh once for each placement: copy k is every polygon of
    // source, with the points it uses, the points moved by placements[k]. The new points and
    // polygons take the next slots, copy after copy, each copy in the source's index order. Copies
    // keep the polygons' materials and per-corner values (maps are matched by name and added when
    // missing) and the hard edges among their sides; nothing of them is selected. Answers the
    // number of polygons added. source must not be this mesh.
    virtual std::size_t add_geometry(MeshInterface const& source, std::span<Matrix4d const> placements) = 0;

    // Box of all points; empty (max.x < min.x) for a mesh without points.
    virtual void bounding_box(Vector3d& min, Vector3d& max) const = 0;

    // Edit nesting: MeshEditContext opens and closes levels.
    virtual int edit_nesting() const = 0;
    virtual void open_edit() = 0;
    virtual void close_edit() = 0;
};

// Whether a polygon other than a and b runs along a side of the cycle the same way. Merging two
// polygons wound against each other turns one's sides round, against its other neighbours: such
// a merged cycle would make the surface run two ways at once.
inline bool cycle_runs_along_others(MeshInterface const& mesh, std::span<Index const> cycle, Index a, Index b)
{
    std::size_t const n = cycle.size();
    for (std::size_t k = 0; k < n; ++k) {
        Index const u = cycle[k], v = cycle[(k + 1) % n];
        for (Index f : mesh.point_polygons(u)) {
            if (f == a || f == b)
                continue;
            PolygonVertices const w = mesh.polygon_vertices(f);
            for (std::uint16_t j = 0; j < w.count; ++j)
                if (w[j] == u && w[(j + 1) % w.count] == v)
                    return true;
        }
    }
    return false;
}

// Holds one level of edit on a mesh for its lifetime. The command is the component that edits.
class MeshEditContext {
public:
    MeshEditContext(MeshInterface* mesh, Component command) : mesh_(mesh), command_(std::move(command))
    {
        if (mesh_)
            mesh_->open_edit();
    }
    MeshEditContext(MeshEditContext const&) = delete;
    MeshEditContext& operator=(MeshEditContext const&) = delete;
    ~MeshEditContext()
    {
        if (mesh_)
            mesh_->close_edit();
    }

private:
    MeshInterface* mesh_;
    Component command_;
};

} // namespace VORNSDK
