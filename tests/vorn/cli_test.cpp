#include "script_fixture.h"

#include "teskar/kernel.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace {

using nlohmann::ordered_json;

// The module's components in registration order, as the golden description file lists them.
ordered_json golden_components() { return ordered_json::parse(read_file(TOLVIR_TEST_DATA "/vorn_describe.json")); }

TEST(VornCli, ListJsonGivesTheComponentsInRegistrationOrder)
{
    ProgramRun const run = run_vorn("list --json");
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
    ProgramRun const text = run_vorn("describe InsertLoop");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out.rfind("InsertLoop (interactive tool)\n  category: InteractiveTool\n  sub_category: Edit\n"
                             "  user_name: Insert Loop\n",
                             0),
              0u)
        << text.out;
    // Without a name, every component in turn, one blank line apart.
    ProgramRun const all = run_vorn("describe");
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
    ProgramRun const run = run_vorn("describe --json");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, read_file(TOLVIR_TEST_DATA "/vorn_describe.json"));
}

TEST(VornCli, HelpAndVersionSucceedOnStdoutAndUsageErrorsExitWithTwoAndOneLineOnStderr)
{
    struct Case {
        char const* args;
        int code;
        char const* mentions;
    };
    for (auto const& [args, code, mentions] : std::vector<Case>{
             {"--help", 0, "Usage:"},
             {"--version", 0, "vorn "},
             {"describe --help", 0, "NAME"},
             {"describe NoSuchComponent", 2, "NoSuchComponent"},
             {"describe NoSuchComponent --json", 2, "NoSuchComponent"},
             {"--module /nonexistent.so list", 2, "/nonexistent.so"},
             {"list --no-such-option", 2, "--no-such-option"},
             {"frobnicate", 2, "frobnicate"},
             {"", 2, "subcommand"},
         }) {
        SCOPED_TRACE(args);
        ProgramRun const run = run_vorn(args);
        EXPECT_EQ(run.code, code);
        std::string const& text = code == 0 ? run.out : run.err;
        EXPECT_EQ(code == 0 ? run.err : run.out, "");
        EXPECT_TRUE(code == 0 || std::count(text.begin(), text.end(), '\n') == 1) << text;
        EXPECT_TRUE(text.ends_with('\n')) << text;
        EXPECT_NE(text.find(mentions), std::string::npos) << text;
    }
}

TEST(VornModuleLoader, RegistersTheComponentsOnceAndNamesAModuleThatWillNotLoad)
{
    std::string error;
    ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    EXPECT_EQ(vorn::module_name(TOLVIR_MODULE_PATH), "TolvirPlugins");
    auto const types = teskar::Kernel::instance().registry().types(vorn::module_origin(TOLVIR_MODULE_PATH));
    EXPECT_EQ(types.size(), golden_components().size());

    EXPECT_FALSE(vorn::load_module("/nonexistent.so", error));
    EXPECT_NE(error.find("/nonexistent.so"), std::string::npos) << error;
}

TEST(VornCli, TimingsFollowEveryStatementOnStderr)
{
    auto const script = std::filesystem::path(::testing::TempDir()) / ("timed_" + std::to_string(::getpid()) + ".vs");
    std::ofstream(script) << "new grid g 2 2\n\n# a comment\ninfo\n";
    ProgramRun const run = run_vorn("run --timings " + script.string());
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
