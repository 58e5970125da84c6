// Random edit sequences and the regression scripts they left behind, run statement by statement
// with the checks of edit_checks.h.
//
// TOLVIR_RANDOM_SEQUENCES=N runs N sequences instead of the short default, TOLVIR_RANDOM_SEED=S
// starts at seed S, TOLVIR_RANDOM_STEPS=K makes each sequence K statements long, and
// TOLVIR_REGRESSION_OUT=DIR writes each new failure, cut down, to DIR/seed-S.vorn. A failing
// sequence prints its seed and its script, which `vorn run` replays from the repository root;
// TOLVIR_CHECK_SCRIPT=PATH runs the regression test on that one script instead.

#include "edit_checks.h"
#include "edit_generator.h"
#include "known_faults.h"
#include "script_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

using namespace edit_checks;
namespace fs = std::filesystem;

fs::path const kRoot = fs::path(TOLVIR_TEST_DATA).parent_path().parent_path();

std::size_t setting(char const* name, std::size_t fallback)
{
    char const* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Scripts name model files from the repository root, as `vorn run` there would.
class InRoot {
public:
    InRoot() : before_(fs::current_path()) { fs::current_path(kRoot); }
    ~InRoot() { fs::current_path(before_); }
    InRoot(InRoot const&) = delete;
    InRoot& operator=(InRoot const&) = delete;
    fs::path const& before() const { return before_; }

private:
    fs::path before_;
};

std::vector<std::string> models()
{
    std::vector<std::string> out;
    for (auto const& entry : fs::directory_iterator(kRoot / "tests/data/meshes"))
        if (entry.path().extension() == ".obj")
            out.push_back(fs::relative(entry.path(), kRoot).string());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> read_lines(fs::path const& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string joined(std::vector<std::string> const& lines)
{
    std::string out;
    for (auto const& line : lines)
        out += line + "\n";
    return out;
}

// The script of the sequence running now, printed when the process dies or hangs in it.
std::string g_crash_note;

void print_crash_note()
{
    ssize_t const written = ::write(STDERR_FILENO, g_crash_note.data(), g_crash_note.size());
    (void)written;
}

extern "C" void on_fatal_signal(int signal)
{
    print_crash_note();
    std::signal(signal, SIG_DFL);
    std::raise(signal == SIGALRM ? SIGABRT : signal);
}

class CrashNote {
public:
    CrashNote()
    {
        for (int s : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGALRM})
            std::signal(s, on_fatal_signal);
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(print_crash_note);
#endif
    }
    ~CrashNote()
    {
        ::alarm(0);
        for (int s : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGALRM})
            std::signal(s, SIG_DFL);
        g_crash_note.clear();
    }
    CrashNote(CrashNote const&) = delete;
    CrashNote& operator=(CrashNote const&) = delete;

    // A sequence that runs longer than this is taken to hang.
    void start(std::uint64_t seed) const
    {
        ::alarm(300);
        g_crash_note = "\nrandom edit sequence, seed " + std::to_string(seed) + ", died or hung in this script:\n";
    }
    void add(std::string const& line) const { g_crash_note += line + "\n"; }
};

// One line per problem between processes; the detail's line breaks travel as "\n".
std::string encode(Problem const& p)
{
    std::string detail;
    for (char c : p.detail)
        detail += c == '\n' ? std::string("\\n") : std::string(1, c);
    return "problem|" + std::to_string(int(p.check)) + "|" + std::to_string(p.line) + "|" + p.label + "|" + detail;
}

Problem decode(std::string const& text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        std::size_t const bar = text.find('|', start);
        fields.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    std::string detail;
    for (std::size_t i = start; i < text.size(); ++i)
        if (text.compare(i, 2, "\\n") == 0) {
            detail += '\n';
            ++i;
        } else {
            detail += text[i];
        }
    return {Check(std::stoi(fields[1])), std::stoul(fields[2]), fields[3], detail};
}

// Checks a script in this process and prints what the parent of check_in_child reads.
void check_here(std::vector<std::string> const& lines, bool must_run)
{
    CheckedSession session(must_run);
    session.on_step([](std::string const& label) { std::cout << "step|" << label << std::endl; });
    std::vector<Problem> problems;
    for (std::string const& line : lines) {
        for (Problem const& p : session.run(line))
            // Lines that are meant to fail say so in a comment.
            if (p.check != Check::Statement || line.find("# fails") == std::string::npos)
                problems.push_back(p);
        if (!problems.empty())
            break;
    }
    if (problems.empty())
        problems = session.undo_and_redo_all();
    for (Problem const& p : problems)
        std::cout << encode(p) << '\n';
    std::cout << "done" << std::endl;
}

// Checks a script in a process of its own, so that a crash is a finding rather than the end of
// the test program.
std::vector<Problem> check_in_child(std::vector<std::string> const& lines, bool must_run)
{
    fs::path const script = fs::path(::testing::TempDir()) / ("tolvir_check_" + std::to_string(::getpid()) + ".vorn");
    std::ofstream(script) << joined(lines);
    std::string const command = "TOLVIR_CHECK_SCRIPT='" + script.string() + "' TOLVIR_CHECK_MUST_RUN=" + (must_run ? "1" : "0") +
                                " '" + fs::read_symlink("/proc/self/exe").string() +
                                "' --gtest_filter=RandomEdits.CheckScript --gtest_brief=1 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::vector<Problem> problems;
    if (!pipe)
        return {{Check::Crash, 0, "", "cannot start a process"}};
    std::string output, last_step = "(start)";
    bool done = false;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        if (line.rfind("problem|", 0) == 0)
            problems.push_back(decode(line));
        else if (line.rfind("step|", 0) == 0)
            last_step = line.substr(5);
        else if (line == "done")
            done = true;
        else
            output += line + "\n";
    }
    int const status = ::pclose(pipe);
    fs::remove(script);
    if (!done) {
        // The shell reports a child killed by a signal as 128 plus the signal.
        int const code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::string const reason = code > 128 ? "killed by signal " + std::to_string(code - 128) : "exit code " + std::to_string(code);
        problems.push_back({Check::Crash, 0, last_step, reason + "; the last output:\n" + output.substr(output.size() > 2000 ? output.size() - 2000 : 0)});
    }
    return problems;
}

// A label without its numbers: the same statement after lines before it were dropped.
std::string shape(std::string const& label)
{
    std::string out;
    std::copy_if(label.begin(), label.end(), std::back_inserter(out), [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); });
    return out;
}

bool reproduces(std::vector<std::string> const& lines, Problem const& problem)
{
    auto const problems = check_in_child(lines, false);
    return std::any_of(problems.begin(), problems.end(),
                       [&](Problem const& p) { return p.check == problem.check && shape(p.label) == shape(problem.label); });
}

// Drops lines while the same check still fails after the same kind of statement: chunks of
// halves, quarters, ... single lines.
std::vector<std::string> cut_down(std::vector<std::string> lines, Problem const& problem)
{
    for (std::size_t chunk = std::max<std::size_t>(1, lines.size() / 2);; chunk /= 2) {
        for (std::size_t at = 0; at < lines.size();) {
            std::vector<std::string> shorter = lines;
            shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(at),
                          shorter.begin() + static_cast<std::ptrdiff_t>(std::min(lines.size(), at + chunk)));
            if (!shorter.empty() && reproduces(shorter, problem))
                lines = std::move(shorter);
            else
                at += chunk;
        }
        if (chunk == 1)
            return lines;
    }
}

struct Tally {
    std::size_t sequences = 0, statements = 0, comparisons = 0;
    // How often each known fault was met, with the first seed that met it.
    std::map<KnownFault const*, std::pair<std::size_t, std::uint64_t>> known;
};

} // namespace

// The sequences check their scenes themselves, and the last one may stop on a known fault.
class RandomEdits : public ScriptTest {
protected:
    void TearDown() override {}
};

TEST_F(RandomEdits, SequencesKeepMeshesSoundAndUndoAndRedoExact)
{
    std::size_t const sequences = setting("TOLVIR_RANDOM_SEQUENCES", 300);
    std::uint64_t const first_seed = setting("TOLVIR_RANDOM_SEED", 1);
    std::size_t const steps = setting("TOLVIR_RANDOM_STEPS", 40);
    char const* const out_dir = std::getenv("TOLVIR_REGRESSION_OUT");
    InRoot const in_root;
    auto const model_files = models();
    ASSERT_FALSE(model_files.empty());
    Tally tally;
    auto const note_known = [&](KnownFault const* known, std::uint64_t seed) {
        auto& [count, example] = tally.known[known];
        if (count++ == 0)
            example = seed;
    };
    auto const started = std::chrono::steady_clock::now();

    for (std::uint64_t seed = first_seed; seed < first_seed + sequences; ++seed) {
        std::vector<std::string> script;
        std::vector<Problem> problems;
        {
            CrashNote const crash_note;
            crash_note.start(seed);
            CheckedSession session;
            EditGenerator generator(seed, model_files);
            for (std::size_t k = 0; k < steps && problems.empty(); ++k) {
                script.push_back(generator.next());
                crash_note.add(script.back());
                problems = session.run(script.back());
                // A known empty step leaves the scene sound: the sequence goes on past it.
                std::erase_if(problems, [&](Problem const& p) {
                    KnownFault const* known = known_fault(p);
                    if (!known || p.check != Check::EmptyStep)
                        return false;
                    note_known(known, seed);
                    return true;
                });
            }
            if (problems.empty())
                problems = session.undo_and_redo_all();
            ++tally.sequences;
            tally.statements += session.statements();
            tally.comparisons += session.comparisons();
        }
        if (problems.empty())
            continue;
        if (KnownFault const* known = known_fault(problems.front())) {
            note_known(known, seed);
            continue;
        }
        std::vector<std::string> const shortest = cut_down(script, problems.front());
        std::string report;
        for (Problem const& p : problems)
            report += describe(p) + "\n";
        if (out_dir)
            std::ofstream(fs::path(out_dir) / ("seed-" + std::to_string(seed) + ".vorn")) << joined(shortest);
        ADD_FAILURE() << "random edit sequence, seed " << seed << ":\n"
                      << report << "script (vorn run from the repository root):\n"
                      << joined(script) << "cut down to:\n"
                      << joined(shortest);
    }

    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "random edits: " << tally.sequences << " sequences from seed " << first_seed << ", "
              << tally.statements << " statements, " << tally.comparisons << " undo and redo comparisons, " << seconds
              << " s\n";
    for (auto const& [fault, seen] : tally.known)
        std::cout << "  known: " << seen.first << " times '" << check_name(fault->check) << "' after '" << fault->label
                  << "' (" << fault->fault << "), first at seed " << seen.second << "\n";
    RecordProperty("sequences", static_cast<int>(tally.sequences));
    RecordProperty("statements", static_cast<int>(tally.statements));
    RecordProperty("comparisons", static_cast<int>(tally.comparisons));
}

TEST_F(RandomEdits, RegressionScriptsRunCleanUnlessKnownToFail)
{
    std::vector<fs::path> files;
    for (auto const& entry : fs::directory_iterator(kRoot / "tests/data/regressions"))
        if (entry.path().extension() == ".vorn")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    auto const& known = known_failing_scripts();
    for (auto const& listed : known)
        EXPECT_TRUE(fs::exists(kRoot / "tests/data/regressions" / listed.file)) << listed.file << " is listed but missing";

    for (fs::path const& file : files) {
        auto const problems = check_in_child(read_lines(file), true);
        std::string const name = file.filename().string();
        auto const listed = std::find_if(known.begin(), known.end(), [&](auto const& k) { return name == k.file; });
        if (listed == known.end()) {
            for (Problem const& p : problems)
                ADD_FAILURE() << name << ": " << describe(p);
        } else if (problems.empty()) {
            ADD_FAILURE() << name << " passes now: take it off the known failing scripts (" << listed->fault << ")";
        } else {
            std::cout << name << " still fails (" << listed->fault << "): " << describe(problems.front()) << "\n";
        }
    }
}

// The child process of check_in_child; skipped unless a script is given.
TEST_F(RandomEdits, CheckScript)
{
    char const* path = std::getenv("TOLVIR_CHECK_SCRIPT");
    if (!path || !*path)
        GTEST_SKIP() << "checks the script named by TOLVIR_CHECK_SCRIPT";
    auto const lines = read_lines(path);
    InRoot const in_root;
    check_here(lines, setting("TOLVIR_CHECK_MUST_RUN", 1) != 0);
}
