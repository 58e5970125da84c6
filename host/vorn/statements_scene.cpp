#include "statements.h"

#include "statement_words.h"

#include <ostream>

namespace vorn {

namespace {

std::optional<std::string> word_at(Words const& w, std::size_t k)
{
    return k < w.size() ? std::optional<std::string>(w[k]) : std::nullopt;
}

// The name is checked before the numbers, so that a taken name is what a statement wrong in both
// reports.
void new_item(StatementContext& c, Words const& w)
{
    std::string const& shape = w[1];
    auto const arity = [&](std::size_t least, std::size_t most, char const* usage) {
        if (w.size() < least || w.size() > most)
            fail(std::string("usage: ") + usage);
    };
    if (shape == "grid") {
        arity(5, 6, "new grid NAME NX NY [SIZE]");
        c.session.check_new_name(w[2]);
        int const nx = positive_int(w[3], "NX"), ny = positive_int(w[4], "NY");
        c.session.new_grid(w[2], nx, ny, w.size() > 5 ? positive_double(w[5], "SIZE") : 1.0);
    } else if (shape == "box") {
        arity(3, 4, "new box NAME [SIZE]");
        c.session.check_new_name(w[2]);
        c.session.new_box(w[2], w.size() > 3 ? positive_double(w[3], "SIZE") : 1.0);
    } else if (shape == "tube") {
        if (w.size() != 5 && w.size() != 7)
            fail("usage: new tube NAME SEGMENTS RINGS [RADIUS HEIGHT]");
        c.session.check_new_name(w[2]);
        int const segments = positive_int(w[3], "SEGMENTS"), rings = positive_int(w[4], "RINGS");
        double const radius = w.size() > 5 ? positive_double(w[5], "RADIUS") : 1.0;
        double const height = w.size() > 5 ? positive_double(w[6], "HEIGHT") : 1.0;
        c.session.new_tube(w[2], segments, rings, radius, height);
    } else {
        fail("unknown shape " + quoted(shape) + " (known: grid, box, tube)");
    }
}

void load(StatementContext& c, Words const& w) { c.session.load(w[1], word_at(w, 2)); }

void save(StatementContext& c, Words const& w) { c.session.save(w[1], word_at(w, 2)); }

void tree(StatementContext& c, Words const&)
{
    for (auto const& line : c.session.tree())
        c.out << line.dump() << '\n';
}

void info(StatementContext& c, Words const& w) { c.out << c.session.info(word_at(w, 1)).dump() << '\n'; }

void clipboard(StatementContext& c, Words const&) { c.out << c.session.clipboard() << '\n'; }

} // namespace

void add_scene_statements(StatementTable& table)
{
    table.insert({
        {"new", {2, kAnyWords, "new grid|box|tube NAME ...", new_item}},
        {"load", {2, 3, "load PATH [NAME]", load}},
        {"save", {2, 3, "save PATH [NAME]", save}},
        {"tree", {1, 1, "tree", tree}},
        {"info", {1, 2, "info [NAME]", info}},
        {"clipboard", {1, 1, "clipboard", clipboard}},
    });
}

} // namespace vorn
