#include "module_loader.h"

#include "teskar/kernel.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::ordered_json;

struct Outcome {
    int code = -1;
    std::string out, err;
};

std::string slurp(std::string const& path)
{
    std::ostringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
}

// Runs the built program with the given arguments and captures its exit code and both streams.
Outcome vorn(std::string const& args)
{
    // Per-process names: ctest runs the tests of this program in parallel processes.
    auto const stem = std::filesystem::path(::testing::TempDir()) / ("vorn_" + std::to_string(::getpid()));
    auto const out = stem.string() + ".out", err = stem.string() + ".err";
    std::string const command = std::string(VORN_PATH) + " " + args + " >'" + out + "' 2>'" + err + "'";
    int const status = std::system(command.c_str());
    Outcome run;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}

struct Listed {
    char const* name;
    char const* kind;
    bool hidden = false;
};

// The module's components in registration order.
std::vector<Listed> const kComponents = {
    {"Dissolve", "command"},
    {"SetValue", "command"},
    {"EdgesOperator", "command", true},
    {"HardEdgesPatchCommand", "command"},
    {"SoftEdgesPatchCommand", "command"},
    {"HardEdgesOutlineCommand", "command"},
    {"SoftEdgesOutlineCommand", "command"},
    {"Knife", "tool"},
    {"Tweak", "tool"},
    {"LassoSelect", "tool"},
    {"Lasso", "command", true},
    {"Array", "tool"},
    {"Bend", "tool"},
    {"Make Circular", "command"},
    {"Twist", "tool"},
    {"Break", "command"},
    {"InsertLoop", "tool"},
    {"RemoveEdges", "command"},
    {"Hover Extend", "command"},
    {"Hover Loop Remove", "command"},
    {"Hover Loop", "command"},
    {"Hover Flip", "command"},
    {"Hover Delete", "command"},
};

std::vector<std::string> keys(ordered_json const& object)
{
    std::vector<std::string> out;
    for (auto const& [key, value] : object.items())
        out.push_back(key);
    return out;
}

TEST(VornCli, ListJsonGivesTheComponentsInRegistrationOrder)
{
    Outcome const run = vorn("list --json");
    ASSERT_EQ(run.code, 0) << run.err;
    ordered_json const doc = ordered_json::parse(run.out);
    EXPECT_EQ(doc["module"], "TolvirPlugins");
    auto const& listed = doc["components"];
    ASSERT_EQ(listed.size(), kComponents.size());
    for (std::size_t i = 0; i < kComponents.size(); ++i) {
        SCOPED_TRACE(kComponents[i].name);
        EXPECT_EQ(listed[i]["name"], kComponents[i].name);
        EXPECT_EQ(listed[i]["kind"], kComponents[i].kind);
        EXPECT_EQ(listed[i]["hidden"], kComponents[i].hidden);
    }
}

TEST(VornCli, DescribeInsertLoopShowsAttributesLimitsAndBindings)
{
    Outcome const run = vorn("describe InsertLoop --json");
    ASSERT_EQ(run.code, 0) << run.err;
    ordered_json const doc = ordered_json::parse(run.out);
    EXPECT_EQ(doc["kind"], "tool");
    // Tags come out in the order the component declared them.
    EXPECT_EQ(keys(doc["tags"]),
              (std::vector<std::string>{"category", "sub_category", "user_name", "icon", "ui_hints"}));

    struct Attribute {
        char const* name;
        ordered_json default_value, min, max, step;
    };
    std::vector<Attribute> const attributes = {
        {"SnapCenter", false, nullptr, nullptr, nullptr}, {"Stops", 0.0, 0.0, 0.5, nullptr},
        {"flow", false, nullptr, nullptr, nullptr},       {"Stops2", 0.0, 0.0, 0.5, nullptr},
        {"Edge", nullptr, nullptr, nullptr, nullptr},     {"Cut", nullptr, 0.0, 1.0, 0.05},
        {"Slices", 1, 1, nullptr, nullptr},               {"Mirror", false, nullptr, nullptr, nullptr},
        {"Absolute", false, nullptr, nullptr, nullptr},
    };
    auto const& described = doc["attributes"];
    ASSERT_EQ(described.size(), attributes.size());
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        auto const& a = described[i];
        SCOPED_TRACE(attributes[i].name);
        EXPECT_EQ(a["name"], attributes[i].name);
        EXPECT_EQ(a["default"], attributes[i].default_value);
        EXPECT_EQ(a["min"], attributes[i].min);
        EXPECT_EQ(a["max"], attributes[i].max);
        EXPECT_EQ(a["step"], attributes[i].step);
        EXPECT_EQ(a["show_ui"], false);
        EXPECT_EQ(a["undoable"], false);
    }

    std::vector<std::string> bindings;
    for (auto const& b : doc["key_bindings"])
        bindings.push_back(b["action"].get<std::string>() + " " + b["key"].get<std::string>() + " " +
                           b["trigger"].get<std::string>());
    EXPECT_EQ(bindings, (std::vector<std::string>{"IncSlice Up Moment", "DecSlice Down Moment", "Mirror ' Moment",
                                                  "RemoveLoop Ctrl Moment", "SlideLoop Shift Moment"}));

    // The text form keeps the same tag order.
    Outcome const text = vorn("describe InsertLoop");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out.rfind("InsertLoop (interactive tool)\n  category: InteractiveTool\n  sub_category: Edit\n"
                             "  user_name: Insert Loop\n",
                             0),
              0u)
        << text.out;
}

TEST(VornCli, UsageErrorsExitWithTwoAndOneLineOnStderr)
{
    struct Case {
        char const* args;
        char const* mentions;
    };
    for (auto const& [args, mentions] : std::vector<Case>{
             {"describe NoSuchComponent", "NoSuchComponent"},
             {"describe NoSuchComponent --json", "NoSuchComponent"},
             {"--module /nonexistent.so list", "/nonexistent.so"},
             {"list --no-such-option", "--no-such-option"},
             {"frobnicate", "frobnicate"},
             {"", "subcommand"},
         }) {
        SCOPED_TRACE(args);
        Outcome const run = vorn(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.back(), '\n');
        EXPECT_NE(run.err.find(mentions), std::string::npos) << run.err;
    }
}

TEST(VornCli, HelpAndVersionPrintToStdoutAndSucceed)
{
    for (auto const& [args, expected] : std::vector<std::pair<char const*, char const*>>{
             {"--help", "Usage:"}, {"--version", "vorn "}, {"describe --help", "NAME"}}) {
        SCOPED_TRACE(args);
        Outcome const run = vorn(args);
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
    }
}

TEST(VornModuleLoader, RegistersTheComponentsInOrderAndLoadsOnce)
{
    std::string error;
    ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    EXPECT_EQ(vorn::module_name(TOLVIR_MODULE_PATH), "TolvirPlugins");

    auto const types = teskar::Kernel::instance().registry().types(vorn::module_origin(TOLVIR_MODULE_PATH));
    std::vector<std::string> names, expected;
    for (auto const* t : types)
        names.push_back(t->name.to_utf8());
    for (auto const& c : kComponents)
        expected.push_back(c.name);
    EXPECT_EQ(names, expected);

    EXPECT_FALSE(vorn::load_module("/nonexistent.so", error));
    EXPECT_NE(error.find("/nonexistent.so"), std::string::npos) << error;
}

} // namespace
