#pragma once

#include "module_loader.h"
#include "script.h"

#include "teskar/history.h"
#include "teskar/mesh_item.h"
#include "teskar/mesh_validity.h"
#include "teskar/scene.h"

#include "vornsdk/scene.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

inline void write_file(std::string const& path, std::string const& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_file(std::string const& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ProgramRun {
    int code = -1;
    std::string out, err;
};

// Runs the built program with the given arguments through the shell and captures its exit code
// and both streams, in files named per process since ctest runs tests in parallel processes.
inline ProgramRun run_vorn(std::string const& args)
{
    auto const stem = std::filesystem::path(::testing::TempDir()) / ("vorn_" + std::to_string(::getpid()));
    std::string const out = stem.string() + ".out", err = stem.string() + ".err";
    int const status = std::system((std::string(VORN_PATH) + " " + args + " >'" + out + "' 2>'" + err + "'").c_str());
    ProgramRun const run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}

// Runs scripts in-process with the module loaded; each run starts its own scene, which stays
// active afterwards for the test to inspect.
class ScriptTest : public ::testing::Test {
protected:
    struct Outcome {
        int code = -1;
        std::string out, err;
    };

    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    }

    // The meshes the last script left in its scene must be sound.
    void TearDown() override { EXPECT_TRUE(valid_scene()); }

    static Outcome run(std::string const& script)
    {
        std::istringstream in(script);
        std::ostringstream out, err;
        Outcome o;
        o.code = vorn::run_script(in, "test.vs", out, err);
        o.out = out.str();
        o.err = err.str();
        return o;
    }

    // Each line of the output as JSON.
    static std::vector<nlohmann::json> json_lines(std::string const& text)
    {
        std::vector<nlohmann::json> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            out.push_back(nlohmann::json::parse(line));
        return out;
    }

    // Runs a script that must succeed; its output lines as one JSON array, in which a line past
    // the end reads as null instead of indexing outside.
    static nlohmann::json run_json(std::string const& script)
    {
        Outcome const o = run(script);
        EXPECT_EQ(o.code, 0) << o.err;
        nlohmann::json lines = nlohmann::json::array();
        for (nlohmann::json& line : json_lines(o.out))
            lines.push_back(std::move(line));
        return lines;
    }

    static std::vector<std::string> undo_names() { return teskar::UndoHistory::instance().undo_names(); }

    static teskar::Scene& scene() { return *teskar::scene_of(VORNSDK::active_scene()); }

    static teskar::Mesh* mesh(std::string const& name)
    {
        return teskar::mesh_of(scene().find_item(VORNSDK::String(name)));
    }

    // A file in the test's temporary folder, unique to the process.
    static std::string temp(std::string const& name)
    {
        return (std::filesystem::path(::testing::TempDir()) / (std::to_string(::getpid()) + "_" + name)).string();
    }
};
