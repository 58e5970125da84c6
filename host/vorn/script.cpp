#include "script.h"

#include "session.h"
#include "statement_words.h"
#include "statements.h"

#include <chrono>
#include <fstream>
#include <iomanip>
#include <iostream>

namespace vorn {

namespace {

StatementTable const& statements()
{
    static StatementTable const table = [] {
        StatementTable t;
        add_scene_statements(t);
        add_selection_statements(t);
        add_tool_statements(t);
        add_view_statements(t);
        add_misc_statements(t);
        return t;
    }();
    return table;
}

} // namespace

std::vector<std::string> split_words(std::string const& line)
{
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, in_quotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char const c = line[i];
        if (c == '\\') {
            if (i + 1 == line.size())
                throw std::invalid_argument("backslash at the end of the line");
            word += line[++i];
            in_word = true;
        } else if (in_quotes) {
            if (c == '"')
                in_quotes = false;
            else
                word += c;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (in_word)
                words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            in_quotes = in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_quotes)
        throw std::invalid_argument("unterminated quote");
    if (in_word)
        words.push_back(std::move(word));
    return words;
}

// Messages are diagnostics, shown as they come on the error stream; the messages statement
// prints them as data.
struct ScriptSession::State {
    State(std::ostream& out, std::ostream& err)
        : session([&err](std::string const& m) { err << "message: " << m << '\n'; },
                  [&err](std::string const& w) { err << "warning: " << w << '\n'; }),
          context{session, out}
    {
    }
    Session session;
    StatementContext context;
};

ScriptSession::ScriptSession(std::ostream& out, std::ostream& err) : state_(std::make_unique<State>(out, err)) {}

ScriptSession::~ScriptSession() = default;

void ScriptSession::run_line(std::string const& line)
{
    std::vector<std::string> const words = split_words(line);
    if (words.empty())
        return;
    auto const it = statements().find(words.front());
    if (it == statements().end())
        fail("unknown statement " + quoted(words.front()));
    Statement const& statement = it->second;
    if (words.size() < statement.least || words.size() > statement.most)
        fail(std::string("usage: ") + statement.usage);
    statement.run(state_->context, words);
}

int run_script(std::istream& in, std::string const& name, std::ostream& out, std::ostream& err, bool timings)
{
    ScriptSession session(out, err);
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        // Editors that save UTF-8 with a byte-order mark put it before the first statement.
        if (number == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        auto const start = std::chrono::steady_clock::now();
        try {
            session.run_line(line);
        } catch (std::exception const& e) {
            out.flush();
            err << name << ':' << number << ": " << e.what() << '\n';
            return 1;
        }
        if (timings && !split_words(line).empty()) {
            double const ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            err << name << ':' << number << ": " << std::fixed << std::setprecision(3) << ms << " ms: " << line << '\n';
            err.unsetf(std::ios::floatfield);
        }
    }
    if (in.bad()) {
        err << name << ": cannot read the script\n";
        return 1;
    }
    return 0;
}

int run_script_file(std::string const& path, std::ostream& out, std::ostream& err, bool timings)
{
    if (path == "-")
        return run_script(std::cin, "<stdin>", out, err, timings);
    std::ifstream in(path);
    if (!in) {
        err << "vorn: cannot read script " << quoted(path) << '\n';
        return 1;
    }
    return run_script(in, path, out, err, timings);
}

} // namespace vorn
