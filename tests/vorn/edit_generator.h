#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace edit_checks {

// Writes random vorn statements for the scene of the running session as it is: first the meshes
// (grids, tubes, boxes and the given model files), then selections in every mode, the commands
// of the table in edit_generator.cpp, Insert Loop, the Knife, Bend, Twist and Array driven with
// the pointer and keys, undo and redo.
// Each line is meant to run before the next is asked for; the same seed on the same build gives
// the same script.
class EditGenerator {
public:
    // models: OBJ files to load, as the script should name them.
    EditGenerator(std::uint64_t seed, std::vector<std::string> models);

    std::string next();

    // Helpers for the tables of edit_generator.cpp.
    std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : rng_() % n; }
    double uniform() { return double(rng_() >> 11) * 0x1p-53; }
    bool chance(double p) { return uniform() < p; }
    // A number in [low, high] with two decimals, as text.
    std::string number(double low, double high);

private:
    using Line = std::function<std::string()>;

    void plan_meshes();
    void plan_action();
    void plan_selection();
    void plan_command();
    void plan_insert_loop_tool();
    void plan_knife_tool();
    void plan_deformer_tool();
    void plan_hover_command();
    void plan_lasso_tool();
    void plan_tweak_tool();

    std::mt19937_64 rng_;
    std::vector<std::string> models_;
    std::deque<Line> pending_;
    int meshes_ = 0;
    bool built_ = false;
};

} // namespace edit_checks
