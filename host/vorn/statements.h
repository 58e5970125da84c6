#pragma once

#include "session.h"

#include <cstddef>
#include <iosfwd>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace vorn {

using Words = std::vector<std::string>;

// What a statement works with: the session it drives and where its data goes. Warnings and
// messages reach the error stream through the session's notices.
struct StatementContext {
    Session& session;
    std::ostream& out;
};

// A statement reads its words (the first is its name) into typed values and calls the session.
// The interpreter checks the word count against least and most first, answering "usage: USAGE".
struct Statement {
    std::size_t least, most;
    char const* usage;
    void (*run)(StatementContext& context, Words const& words);
};

inline constexpr std::size_t kAnyWords = std::numeric_limits<std::size_t>::max();

using StatementTable = std::map<std::string, Statement, std::less<>>;

// The statements by family, as docs/vorn-scripts.md lists them.
void add_scene_statements(StatementTable& table);     // new, load, save, tree, info, clipboard
void add_selection_statements(StatementTable& table); // items, mode, select, deselect, click
void add_tool_statements(StatementTable& table);      // run, tool, drop, set, get, pointer events, action, key
void add_view_statements(StatementTable& table);      // viewport, camera, render
void add_misc_statements(StatementTable& table);      // undo, redo, pref, echo, messages

} // namespace vorn
