#include "statements.h"

#include "statement_words.h"

#include "scene_info.h"

#include "vornsdk/scene.h"

namespace vorn {

using namespace VORNSDK;

namespace {

// With no names, no item stays selected.
void items(StatementContext& c, Words const& w) { c.session.select_items({w.begin() + 1, w.end()}); }

int parse_mode(std::string const& word)
{
    for (int mode : {kSelectPoints, kSelectEdges, kSelectPolygons, kSelectItems})
        if (word == mode_name(mode))
            return mode;
    fail("unknown selection mode " + quoted(word) + " (known: points, edges, polygons, items)");
}

void mode(StatementContext& c, Words const& w) { c.session.set_mode(parse_mode(w[1])); }

Index element_index(std::string const& text, char const* what)
{
    Index i = 0;
    if (!parse_number(text, i))
        fail(std::string("bad ") + what + " index " + quoted(text));
    return i;
}

VertexPair parse_edge(std::string const& text)
{
    std::vector<Index> ends;
    if (text.size() < 2 || text.front() != '(' || text.back() != ')' ||
        !parse_numbers(std::string_view(text).substr(1, text.size() - 2), 2, ends))
        fail("bad edge " + quoted(text) + " (expected (A,B))");
    return {ends[0], ends[1]};
}

// select/deselect points I..., edges (A,B)..., polygons I..., all, none.
void select(StatementContext& c, Words const& w)
{
    bool const on = w.front() == "select";
    std::string const usage = "usage: " + w.front() + " points I...|edges (A,B)...|polygons I...|all|none";
    std::string const& what = w[1];
    if (what == "all" || what == "none") {
        if (w.size() != 2)
            fail(usage);
        c.session.select_whole(on, what == "all");
        return;
    }
    if (w.size() < 3 || (what != "points" && what != "polygons" && what != "edges"))
        fail(usage);
    if (what == "edges") {
        std::vector<VertexPair> edges;
        for (std::size_t k = 2; k < w.size(); ++k)
            edges.push_back(parse_edge(w[k]));
        c.session.select_edges(edges, on);
        return;
    }
    bool const points = what == "points";
    std::vector<Index> indices;
    for (std::size_t k = 2; k < w.size(); ++k)
        indices.push_back(element_index(w[k], points ? "point" : "polygon"));
    if (points)
        c.session.select_points(indices, on);
    else
        c.session.select_polygons(indices, on);
}

// click X Y [shift] [ctrl]
void click(StatementContext& c, Words const& w)
{
    double const x = number(w[1], "X coordinate"), y = number(w[2], "Y coordinate");
    bool shift = false, ctrl = false;
    for (std::size_t k = 3; k < w.size(); ++k) {
        if (w[k] == "shift")
            shift = true;
        else if (w[k] == "ctrl")
            ctrl = true;
        else
            fail("unknown modifier " + quoted(w[k]) + " (known: shift, ctrl)");
    }
    c.session.click_select(x, y, shift, ctrl);
}

} // namespace

void add_selection_statements(StatementTable& table)
{
    table.insert({
        {"items", {1, kAnyWords, "items [NAME...]", items}},
        {"click", {3, 5, "click X Y [shift] [ctrl]", click}},
        {"mode", {2, 2, "mode points|edges|polygons|items", mode}},
        {"select", {2, kAnyWords, "select points I...|edges (A,B)...|polygons I...|all|none", select}},
        {"deselect", {2, kAnyWords, "deselect points I...|edges (A,B)...|polygons I...|all|none", select}},
    });
}

} // namespace vorn
