#include "module_loader.h"

#include "teskar/kernel.h"

#include <gmock/gmock.h>
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

// The module's components in registration order, as the golden description file lists them.
ordered_json golden_components() { return ordered_json::parse(slurp(TOLVIR_TEST_DATA "/vorn_describe.json")); }

TEST(VornCli, ListJsonGivesTheComponentsInRegistrationOrder)
{
    Outcome const run = vorn("list --json");
    ASSERT_EQ(run.code, 0) << run.err;
    ordered_json const doc = ordered_json::parse(run.out);
    EXPECT_EQ(doc["module"], "TolvirPlugins");
    auto const& listed = doc["components"];
    ordered_json const golden = golden_components();
    ASSERT_EQ(listed.size(), golden.size());
    for (std::size_t i = 0; i < golden.size(); ++i) {
        SCOPED_TRACE(golden[i]["name"]);
        EXPECT_EQ(listed[i]["name"], golden[i]["name"]);
        EXPECT_EQ(listed[i]["kind"], golden[i]["kind"]);
        EXPECT_EQ(listed[i]["hidden"], golden[i]["tags"].value("hidden", false));
    }
}

TEST(VornCli, DescribeOneOrEveryComponentAsText)
{
    Outcome const text = vorn("describe InsertLoop");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out.rfind("InsertLoop (interactive tool)\n  category: InteractiveTool\n  sub_category: Edit\n"
                             "  user_name: Insert Loop\n",
                             0),
              0u)
        << text.out;
    // Without a name, every component in turn, one blank line apart.
    Outcome const all = vorn("describe");
    ASSERT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out.rfind("Dissolve (command)\n", 0), 0u);
    EXPECT_NE(all.out.find("\n\n" + text.out), std::string::npos);
}

// Every component's tags, attributes and key bindings, in registration order, as checked by hand
// against the design once. After a deliberate change of a description, regenerate the file with
//   build/release/bin/vorn describe --json > tests/data/vorn_describe.json
// and review the difference.
TEST(VornCli, DescribeJsonOfEveryComponentMatchesTheGoldenFile)
{
    Outcome const run = vorn("describe --json");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, slurp(TOLVIR_TEST_DATA "/vorn_describe.json"));
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
    for (auto const& c : golden_components())
        expected.push_back(c["name"]);
    EXPECT_EQ(names, expected);

    EXPECT_FALSE(vorn::load_module("/nonexistent.so", error));
    EXPECT_NE(error.find("/nonexistent.so"), std::string::npos) << error;
}

TEST(VornCli, TimingsFollowEveryStatementOnStderr)
{
    auto const script = std::filesystem::path(::testing::TempDir()) / ("timed_" + std::to_string(::getpid()) + ".vs");
    std::ofstream(script) << "new grid g 2 2\n\n# a comment\ninfo\n";
    Outcome const run = vorn("run --timings " + script.string());
    std::filesystem::remove(script);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.find("ms:"), std::string::npos); // the data stays clean
    std::istringstream lines(run.err);
    std::vector<std::string> timed;
    for (std::string line; std::getline(lines, line);)
        timed.push_back(line);
    ASSERT_EQ(timed.size(), 2u) << run.err;
    EXPECT_THAT(timed[0], ::testing::MatchesRegex(".*:1: [0-9]+\\.[0-9]{3} ms: new grid g 2 2"));
    EXPECT_THAT(timed[1], ::testing::MatchesRegex(".*:4: [0-9]+\\.[0-9]{3} ms: info"));
}

} // namespace
