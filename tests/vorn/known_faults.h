#pragma once

// What the random edit sequences and the regression scripts still find, until it is fixed: the
// one place to switch a check back on. Take an entry out once its fault is fixed; the regression
// test fails while a listed script passes, so that the list does not go stale.

#include "edit_checks.h"

#include <regex>
#include <string>
#include <vector>

namespace edit_checks {

// A problem the random sequences expect: its check, and the label ("MODE [TOOL: ]LINE") of the
// statements it follows, as a regular expression. A sequence that meets it stops there, unless it
// is an empty step, which leaves the scene as sound as it was.
struct KnownFault {
    Check check;
    char const* label;
    char const* fault;
};

inline std::vector<KnownFault> const& known_faults()
{
    // Labels: "MODE [TOOL: ]LINE", or "undo of 'STEP' to N steps" and "redo of ..." at the end.
    static std::vector<KnownFault> const list = {
        {Check::EmptyStep, R"(\w+ (\w+: )?items .*)", "issue 12 fault 9: selecting the items already selected"},
        {Check::EmptyStep, R"(\w+ (\w+: )?run SetValue.*)", "issue 12 fault 9: Set Value that moves nothing"},
        {Check::EmptyStep, R"(\w+ (\w+: )?run (Hard|Soft)Edges\w+)", "issue 12 fault 9: edges already hard or soft"},
        {Check::Stray, R"(\w+ (InsertLoop: .*|(\w+: )?run InsertLoop.*))",
         "issue 12 fault 1: Insert Loop across selected polygons leaves points in no polygon"},
        {Check::Coincident, R"(\w+ (InsertLoop: .*|(\w+: )?run InsertLoop.*))",
         "issue 12 fault 3 (cut not set); loops at a mirrored middle; the pointer over another item"},
        {Check::Stranded, R"(\w+ (InsertLoop: press .*|(\w+: )?run RemoveEdges.*))",
         "Remove Edges (and Insert Loop's Ctrl click) leaves the inner points of a merged chain in no polygon"},
        {Check::Manifold, R"(\w+ (InsertLoop: press .*|(\w+: )?run RemoveEdges.*))",
         "Remove Edges (and Insert Loop's Ctrl click) merges into a polygon that runs along a neighbour the same way"},
        {Check::Invalid, R"(\w+ InsertLoop: .*|\w+ undo( \d+)?|(undo|redo) of '(Insert|Remove) Loop'.*)",
         "a Ctrl click of Insert Loop makes a step of its own inside the tool's open step"},
        {Check::Undo, R"((undo|redo) of '(Insert|Remove) Loop'.*)",
         "a Ctrl click of Insert Loop makes a step of its own inside the tool's open step"},
        {Check::Stranded, R"(\w+ (\w+: )?run "Make Circular")", "issue 12 fault 4"},
        {Check::Stray, R"(\w+ (\w+: )?run "Make Circular")", "issue 12 fault 4"},
        {Check::Manifold, R"(\w+ (\w+: )?run "Make Circular")", "issue 12 fault 4"},
        {Check::Manifold, R"(\w+ (\w+: )?run (Extend|Dissolve)\b.*)", "issue 12 fault 6"},
        {Check::Stranded, R"(\w+ (\w+: )?run Dissolve)", "issue 12 fault 6"},
    };
    return list;
}

inline KnownFault const* known_fault(Problem const& problem)
{
    for (KnownFault const& k : known_faults())
        if (k.check == problem.check && std::regex_match(problem.label, std::regex(k.label)))
            return &k;
    return nullptr;
}

// Regression scripts of tests/data/regressions that still fail, by file name.
struct KnownFailingScript {
    char const* file;
    char const* fault;
};

inline std::vector<KnownFailingScript> const& known_failing_scripts()
{
    static std::vector<KnownFailingScript> const list = {
        {"insert_loop_selection_order.vorn", "issue 12 fault 1"},
        {"insert_loop_selected_band.vorn", "issue 12 fault 1"},
        {"insert_loop_without_cut.vorn", "issue 12 fault 3"},
        {"make_circular_adjacent_pair.vorn", "issue 12 fault 4"},
        {"make_circular_two_regions.vorn", "issue 12 fault 4"},
        {"extend_bow_tie.vorn", "issue 12 fault 6"},
        {"extend_polygons_touching_at_a_corner.vorn", "issue 12 fault 6"},
        {"dissolve_after_insert_loop_on_tube.vorn", "issue 12 fault 6"},
        {"dissolve_strands_points_on_a_band.vorn", "issue 12 fault 6"},
        {"select_items_again_leaves_a_step.vorn", "issue 12 fault 9"},
        {"set_value_in_place_leaves_a_step.vorn", "issue 12 fault 9"},
        {"hard_edge_twice_leaves_a_step.vorn", "issue 12 fault 9"},
        {"undo_while_insert_loop_is_active.vorn", "issue 12 fault 10"},
        {"insert_loop_mirror_at_middle.vorn", "mirrored loops at the middle coincide"},
        {"insert_loop_pointer_over_other_item.vorn", "Insert Loop cuts the selected item where another is picked"},
        {"remove_edges_strands_a_corner.vorn", "Remove Edges leaves the inner points of a merged chain"},
        {"remove_loop_during_selection_edit.vorn", "a Ctrl click makes a step inside the tool's open step"},
        {"tool_step_reverted_then_undone.vorn", "undo of a scene step emptied by a tool's re-run crashes"},
        {"remove_loop_overlapping_polygons.vorn", "Remove Edges merges into overlapping polygons"},
        {"remove_edges_same_direction_after_edits.vorn", "Remove Edges merges into overlapping polygons"},
    };
    return list;
}

} // namespace edit_checks
