#include "statements.h"

#include "statement_words.h"

#include <ostream>

namespace vorn {

namespace {

std::size_t steps(Words const& w) { return w.size() > 1 ? static_cast<std::size_t>(positive_int(w[1], "N")) : 1; }

void undo(StatementContext& c, Words const& w) { c.session.undo(steps(w)); }

void redo(StatementContext& c, Words const& w) { c.session.redo(steps(w)); }

void pref(StatementContext& c, Words const& w)
{
    auto [key, text] = key_value(w[1]);
    VORNSDK::Parameter value = parse_value(c.session, c.session.preference(key).type(), key, text);
    c.session.set_preference({std::move(key), std::move(value), std::move(text)});
}

void echo(StatementContext& c, Words const& w)
{
    for (std::size_t k = 1; k < w.size(); ++k)
        c.out << (k > 1 ? " " : "") << w[k];
    c.out << '\n';
}

void messages(StatementContext& c, Words const&)
{
    for (std::string const& m : c.session.messages())
        c.out << m << '\n';
}

} // namespace

void add_misc_statements(StatementTable& table)
{
    table.insert({
        {"undo", {1, 2, "undo [N]", undo}},
        {"redo", {1, 2, "redo [N]", redo}},
        {"pref", {2, 2, "pref KEY=VALUE", pref}},
        {"echo", {1, kAnyWords, "echo [WORD...]", echo}},
        {"messages", {1, 1, "messages", messages}},
    });
}

} // namespace vorn
