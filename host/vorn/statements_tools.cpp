#include "statements.h"

#include "statement_words.h"

#include "listing.h"

#include "vornsdk/input.h"

#include <cmath>
#include <limits>
#include <ostream>

namespace vorn {

using namespace VORNSDK;

namespace {

void run(StatementContext& c, Words const& w)
{
    Component const command = c.session.command(w[1]);
    c.session.run_command(command, parse_assignments(c.session, command, w, 2, quoted(w[1])));
}

void tool(StatementContext& c, Words const& w)
{
    Component const tool = c.session.tool(w[1]);
    c.session.activate_tool(tool, parse_assignments(c.session, tool, w, 2, quoted(w[1])));
}

void drop(StatementContext& c, Words const&) { c.session.drop_tool(); }

std::string tool_name(Session const& session) { return quoted(session.active_tool().component_type().to_utf8()); }

void set(StatementContext& c, Words const& w)
{
    Component const tool = c.session.active_tool();
    c.session.set_tool_attributes(parse_assignments(c.session, tool, w, 1, tool_name(c.session)));
}

void get(StatementContext& c, Words const& w) { c.out << w[1] << '=' << to_text(c.session.tool_attribute(w[1])) << '\n'; }

// Events carry the pointer position in floats.
double event_coordinate(std::string const& text, char const* what)
{
    double const v = number(text, what);
    if (std::abs(v) > std::numeric_limits<float>::max())
        fail(std::string(what) + " " + quoted(text) + " is too large for a pointer event");
    return v;
}

bool modifier(std::string const& word, Modifiers& modifiers)
{
    std::pair<char const*, bool*> const names[] = {
        {"shift", &modifiers.shift}, {"ctrl", &modifiers.ctrl}, {"alt", &modifiers.alt}};
    for (auto const& [name, held] : names)
        if (word == name) {
            *held = true;
            return true;
        }
    return false;
}

std::optional<int> button_code(std::string const& word)
{
    if (word == "left")
        return kButtonLeft;
    if (word == "middle")
        return kButtonMiddle;
    if (word == "right")
        return kButtonRight;
    return std::nullopt;
}

// hover X Y [MODS], press X Y [BUTTON] [MODS], drag X Y [MODS], release X Y [MODS]
void pointer_event(StatementContext& c, Words const& w)
{
    std::string const& verb = w.front();
    bool const press = verb == "press";
    c.session.active_tool();
    double const x = event_coordinate(w[1], "X coordinate"), y = event_coordinate(w[2], "Y coordinate");
    Modifiers modifiers;
    std::optional<int> button;
    for (std::size_t k = 3; k < w.size(); ++k) {
        if (modifier(w[k], modifiers))
            continue;
        if (press && !button && button_code(w[k])) {
            button = button_code(w[k]);
            continue;
        }
        fail("unknown modifier " + quoted(w[k]) + " (known: " + (press ? "left, middle, right, " : "") +
             "shift, ctrl, alt)");
    }
    if (press)
        c.session.press(x, y, button, modifiers);
    else if (verb == "drag")
        c.session.drag(x, y, modifiers);
    else if (verb == "release")
        c.session.release(x, y, modifiers);
    else
        c.session.hover(x, y, modifiers);
}

// The viewport's pointer position, which commands that act under the pointer read; no event.
void pointer_position(StatementContext& c, Words const& w)
{
    c.session.set_pointer(number(w[1], "X coordinate"), number(w[2], "Y coordinate"));
}

bool release_word(Words const& w, char const* usage)
{
    if (w.size() == 3 && w[2] != "release")
        fail(std::string("usage: ") + usage);
    return w.size() == 3;
}

void action(StatementContext& c, Words const& w)
{
    bool const released = release_word(w, "action NAME [release]");
    c.session.action(w[1], released);
}

void key(StatementContext& c, Words const& w)
{
    bool const released = release_word(w, "key KEY [release]");
    c.session.key(w[1], released);
}

} // namespace

void add_tool_statements(StatementTable& table)
{
    table.insert({
        {"run", {2, kAnyWords, "run NAME [KEY=VALUE...]", run}},
        {"tool", {2, kAnyWords, "tool NAME [KEY=VALUE...]", tool}},
        {"drop", {1, 1, "drop", drop}},
        {"set", {2, kAnyWords, "set KEY=VALUE...", set}},
        {"get", {2, 2, "get KEY", get}},
        {"hover", {3, kAnyWords, "hover X Y [shift] [ctrl] [alt]", pointer_event}},
        {"press", {3, kAnyWords, "press X Y [left|middle|right] [shift] [ctrl] [alt]", pointer_event}},
        {"drag", {3, kAnyWords, "drag X Y [shift] [ctrl] [alt]", pointer_event}},
        {"release", {3, kAnyWords, "release X Y [shift] [ctrl] [alt]", pointer_event}},
        {"pointer", {3, 3, "pointer X Y", pointer_position}},
        {"action", {2, 3, "action NAME [release]", action}},
        {"key", {2, 3, "key KEY [release]", key}},
    });
}

} // namespace vorn
