#pragma once

// Runs vorn script lines one at a time and checks the scene after each: every mesh sound, no
// edit that makes the surface less of a manifold, strands points or adds points no polygon uses,
// gives a polygon a side of no length or leaves an edit open (undo and redo are checked by
// the states they give back instead); every change one undo step and no step without a change;
// a failing statement changes nothing; and at the end, undo and redo of every step give back
// exactly the states seen on the way.

#include "script.h"

#include "vornsdk/component.h"
#include "vornsdk/mesh.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace edit_checks {

enum class Check {
    Statement,   // a statement that should run did not
    Invalid,     // a mesh breaks the store's promises
    Manifold,    // an edge used by more polygons, or run the same way by two, than before
    Stranded,    // a point the edit did not remove lost all its polygons
    Stray,       // a point the edit added is in no polygon
    Coincident,  // a side of no length, on a spot that was no point's twin before
    NotFinite,   // a point went to infinity or NaN
    OpenEdit,    // a mesh edit left open
    EmptyStep,   // an undo step that changes nothing
    Unrecorded,  // a change that no undo step holds
    ExtraSteps,  // one statement, several undo steps
    FailedChange, // a statement failed but changed the scene or the history
    Undo,        // undo does not give back the state before the step
    Redo,        // redo does not give back the state after the step
    Crash,       // the process running the script died
};
char const* check_name(Check check);

struct Problem {
    Check check;
    // 1-based line of the script; for the undo and redo at the end, the number of lines plus one.
    std::size_t line;
    // "MODE [TOOL: ]LINE": what ran, in the selection mode and under the tool it ran in.
    std::string label;
    std::string detail;
};
std::string describe(Problem const& problem);

// The scene as undo must give it back, one fact per line: selection mode, items in tree order
// with their parents, names, placements and selection, and for meshes every point with its
// position and polygons, every polygon with its vertices, material and per-corner values,
// selections in order and hard edges. Numbers are written exactly.
std::vector<std::string> scene_state();

// What the checks of the next statement compare with (edit_checks.cpp).
struct SceneFacts;

class CheckedSession {
public:
    // must_run: a statement that cannot run is a problem (random scripts only hold statements
    // that should run; scripts being cut down may lose what a later statement needs).
    explicit CheckedSession(bool must_run = true);
    ~CheckedSession();

    // Runs one line and checks what it did.
    std::vector<Problem> run(std::string const& line);
    // Drops an active tool, undoes every step one at a time and redoes them all, checking each
    // state against the one seen when that step was last on top.
    std::vector<Problem> undo_and_redo_all();

    // Called with the label of each statement, undo and redo before it runs.
    void on_step(std::function<void(std::string const&)> observer) { observer_ = std::move(observer); }

    std::size_t statements() const { return statements_; }
    std::size_t comparisons() const { return comparisons_; }
    // What the statements printed so far.
    std::string output() const { return out_.str(); }

private:
    using State = std::vector<std::string>;

    std::string label(std::string const& line) const;
    void compare(State const& expected, Check check, std::string const& label, std::vector<Problem>& problems);
    // Marks the items that an edit allowed to put points on one spot.
    void loosen(SceneFacts const& after, bool allowed);
    // Keeps the state as the one of its number of undo steps, when it is known.
    void settle(std::size_t steps_before);

    std::ostringstream out_;
    std::function<void(std::string const&)> observer_;
    std::unique_ptr<vorn::ScriptSession> session_;
    bool must_run_;
    std::size_t line_ = 0;
    std::size_t statements_ = 0, comparisons_ = 0;
    State state_;
    std::unique_ptr<SceneFacts> facts_;
    // The manifold problems of each mesh seen since the active tool began, and the points it
    // began with.
    std::unique_ptr<SceneFacts> in_tool_;
    // The state with that many undo steps, taken when nothing was being recorded.
    std::map<std::size_t, State> settled_;
    // Items that an edit allowed to put points on one spot (Set Value flattening them, say):
    // the edits after it may do so too, so their corners are not compared any more.
    std::vector<VORNSDK::Component> loose_;
};

} // namespace edit_checks
