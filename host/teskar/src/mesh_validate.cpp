#include "teskar/mesh.h"

#include "teskar/history.h"
#include "teskar/mesh_journal.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace teskar {

using namespace VORNSDK;

namespace {

// Collects problem lines; past a hundred only counts them, so that a badly broken mesh still
// gives a readable report.
class Report {
public:
    template <class... Parts>
    void add(Parts const&... parts)
    {
        if (lines_.size() < kMaxLines) {
            std::ostringstream s;
            (s << ... << parts);
            lines_.push_back(s.str());
        } else {
            ++dropped_;
        }
    }
    std::vector<std::string> take()
    {
        if (dropped_ > 0) {
            std::ostringstream s;
            s << "... and " << dropped_ << " more problems";
            lines_.push_back(s.str());
        }
        return std::move(lines_);
    }

private:
    static constexpr std::size_t kMaxLines = 100;
    std::vector<std::string> lines_;
    std::size_t dropped_ = 0;
};

std::string edge_text(VertexPair const& e)
{
    std::ostringstream s;
    s << '(' << e.v1 << ',' << e.v2 << ')';
    return s.str();
}

// Checks that the flags of an ordered selection agree with its members: each member is live and
// flagged, and no other slot is flagged.
void check_selection(Report& report, char const* what, OrderedSet<Index> const& set,
                     std::vector<std::uint8_t> const& flags, MasterArray const& slots)
{
    std::size_t members = 0;
    for (Index i : set) {
        ++members;
        if (slots.is_vacant(i))
            report.add("selected ", what, " ", i, " does not exist");
        else if (i >= flags.size() || !flags[i])
            report.add("selected ", what, " ", i, " is not flagged as selected");
    }
    if (members != set.size())
        report.add("the ", what, " selection says it holds ", set.size(), " members but lists ", members);
    std::size_t const flagged = static_cast<std::size_t>(std::count_if(flags.begin(), flags.end(), [](auto f) { return f != 0; }));
    if (flagged != set.size())
        report.add(flagged, " ", what, "s are flagged as selected, but the selection holds ", set.size());
}

} // namespace

std::vector<std::string> Mesh::validate() const
{
    Report report;
    std::size_t const np = points_.slots(), nf = polygons_.slots();

    // Every array out of step is reported; the checks below index the arrays, so they wait.
    std::size_t out_of_step = 0;
    auto const sized = [&](char const* what, std::size_t size, std::size_t slots) {
        if (size != slots) {
            report.add(what, " has ", size, " entries for ", slots, " slots");
            ++out_of_step;
        }
    };
    sized("positions", positions_.size(), np);
    sized("point selection flags", point_selected_.size(), np);
    sized("point adjacency", point_polys_.lists(), np);
    sized("vertex lists", corners_.lists(), nf);
    sized("materials", materials_.size(), nf);
    sized("polygon selection flags", poly_selected_.size(), nf);
    sized("side hard marks", side_marks_.size(), nf);
    if (out_of_step > 0)
        return report.take();

    Index live_points = 0, live_polygons = 0;
    for (Index p = 0; p < np; ++p)
        live_points += !points_.is_vacant(p);
    for (Index f = 0; f < nf; ++f)
        live_polygons += !polygons_.is_vacant(f);
    if (live_points != points_.count())
        report.add("the point slots count ", points_.count(), " points but ", live_points, " are occupied");
    if (live_polygons != polygons_.count())
        report.add("the polygon slots count ", polygons_.count(), " polygons but ", live_polygons, " are occupied");

    // Vertex lists, and each polygon listed exactly once at each of its points.
    for (Index f = 0; f < nf; ++f) {
        auto const list = corners_.get(f);
        if (polygons_.is_vacant(f)) {
            if (!list.empty())
                report.add("vacant polygon ", f, " keeps ", list.size(), " vertices");
            if (materials_[f] != 0)
                report.add("vacant polygon ", f, " keeps material ", materials_[f]);
            if (side_marks_[f] != 0)
                report.add("vacant polygon ", f, " keeps hard marks");
            continue;
        }
        if (list.size() < 3)
            report.add("polygon ", f, " has ", list.size(), " vertices");
        if (list.size() > kMaxPolygonVertices)
            report.add("polygon ", f, " has ", list.size(), " vertices, more than a vertex list holds");
        if (materials_[f] >= material_table_.size())
            report.add("polygon ", f, " has material ", materials_[f], " of ", material_table_.size());
        if (list.size() < kMarkBits && (side_marks_[f] >> list.size()) != 0)
            report.add("polygon ", f, " marks sides hard beyond its ", list.size(), " sides");
        for (std::size_t k = 0; k < list.size(); ++k) {
            Index const v = list[k];
            if (std::find(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(k), v) != list.begin() + static_cast<std::ptrdiff_t>(k)) {
                report.add("polygon ", f, " has point ", v, " twice");
                continue;
            }
            if (v >= np) {
                report.add("polygon ", f, " names point ", v, " beyond the ", np, " point slots");
                continue;
            }
            if (points_.is_vacant(v))
                report.add("polygon ", f, " uses vacant point ", v);
            auto const around = point_polys_.get(v);
            auto const times = std::count(around.begin(), around.end(), f);
            if (times != 1)
                report.add("point ", v, " lists its polygon ", f, " ", times, " times");
        }
    }

    // Point to polygon lists: only live polygons that use the point.
    for (Index p = 0; p < np; ++p) {
        auto const around = point_polys_.get(p);
        if (points_.is_vacant(p)) {
            if (!around.empty())
                report.add("vacant point ", p, " lists ", around.size(), " polygons");
            continue;
        }
        for (Index f : around) {
            if (f >= nf || polygons_.is_vacant(f)) {
                report.add("point ", p, " lists polygon ", f, ", which does not exist");
                continue;
            }
            auto const list = corners_.get(f);
            if (std::find(list.begin(), list.end(), p) == list.end())
                report.add("point ", p, " lists polygon ", f, ", which does not use it");
        }
    }

    check_selection(report, "point", sel_points_, point_selected_, points_);
    check_selection(report, "polygon", sel_polys_, poly_selected_, polygons_);
    std::size_t edges = 0;
    for (VertexPair const& e : sel_edges_) {
        ++edges;
        if (!edge_exists(e))
            report.add("selected edge ", edge_text(e), " does not exist");
    }
    if (edges != sel_edges_.size())
        report.add("the edge selection says it holds ", sel_edges_.size(), " members but lists ", edges);
    for (std::uint64_t const key : long_side_marks_) {
        Index const f = static_cast<Index>(key >> 16);
        std::size_t const k = key & 0xFFFF;
        if (f >= nf || polygons_.is_vacant(f))
            report.add("polygon ", f, ", which does not exist, marks its side ", k, " hard");
        else if (k < kMarkBits || k >= corners_.size(f))
            report.add("polygon ", f, " marks side ", k, " hard in the wrong place");
    }

    for (std::size_t m = 0; m < maps_.size(); ++m) {
        VertexMap const& map = maps_[m];
        if (map.dimension < 1)
            report.add("vertex map ", m, " has dimension ", map.dimension);
        std::map<Index, std::size_t> sizes;
        for (auto const& [f, values] : map.values)
            sizes.emplace(f, values.size());
        for (auto const& [f, size] : sizes) {
            if (f >= nf || polygons_.is_vacant(f)) {
                report.add("vertex map ", m, " holds values of polygon ", f, ", which does not exist");
                continue;
            }
            std::size_t const expected = corners_.size(f) * static_cast<std::size_t>(std::max(map.dimension, 1));
            if (size != expected)
                report.add("vertex map ", m, " holds ", size, " values for polygon ", f, ", which needs ", expected);
        }
    }

    // The journal the mesh has cached for the recording step must be that step's part for it.
    auto const& history = UndoHistory::instance();
    if (journal_generation_ == history.generation()) {
        TransactionRecord const* record = history.recording();
        StepPart const* part = record ? record->find(this) : nullptr;
        if (static_cast<StepPart const*>(journal_) != part)
            report.add("the mesh records into a journal that is not the recording step's part for it");
    }
    if (nesting_ < 0)
        report.add("edit nesting is ", nesting_);
    return report.take();
}

std::string Mesh::ManifoldProblem::text() const
{
    std::ostringstream s;
    if (kind == Crowded) {
        s << "edge " << edge_text(edge) << " is used by " << polygons.size() << " polygons:";
        for (Index f : polygons)
            s << ' ' << f;
    } else {
        s << "polygons " << polygons[0] << " and " << polygons[1] << " both run from point " << edge.v1 << " to point "
          << edge.v2;
    }
    return s.str();
}

std::vector<Mesh::ManifoldProblem> Mesh::manifold_problems() const
{
    // Every side of every polygon, by edge, in the order the polygons reach it.
    struct Side {
        Index f;
        VertexPair run;
    };
    std::vector<std::pair<VertexPair, std::vector<Side>>> edges;
    std::unordered_map<std::uint64_t, std::size_t> where;
    for (Index f : polygons_) {
        auto const list = corners_.get(f);
        for (std::size_t k = 0; k < list.size(); ++k) {
            VertexPair const run{list[k], list[(k + 1) % list.size()]};
            auto const [it, fresh] = where.emplace(run.key(), edges.size());
            if (fresh)
                edges.push_back({{run.sorted_v1(), run.sorted_v2()}, {}});
            edges[it->second].second.push_back({f, run});
        }
    }
    std::vector<ManifoldProblem> problems;
    for (auto const& [edge, sides] : edges) {
        if (sides.size() > 2) {
            ManifoldProblem crowded{ManifoldProblem::Crowded, edge, {}};
            for (Side const& s : sides)
                crowded.polygons.push_back(s.f);
            problems.push_back(std::move(crowded));
        }
        for (std::size_t i = 0; i < sides.size(); ++i)
            for (std::size_t j = i + 1; j < sides.size(); ++j)
                if (sides[i].run.same_direction(sides[j].run))
                    problems.push_back({ManifoldProblem::SameDirection, sides[i].run, {sides[i].f, sides[j].f}});
    }
    return problems;
}

} // namespace teskar
