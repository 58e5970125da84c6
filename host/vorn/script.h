#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace vorn {

// A script run fed one line at a time, for callers that look at the scene between statements.
// Making one starts the fresh session that run_script describes (a second one at the same time
// would share and reset that session, so keep one alive at a time); destroying it drops a tool
// still active.
class ScriptSession {
public:
    // Statements print their data to out; messages the components show ("message: TEXT") and
    // warnings ("warning: TEXT") go to err.
    ScriptSession(std::ostream& out, std::ostream& err);
    ~ScriptSession();
    ScriptSession(ScriptSession const&) = delete;
    ScriptSession& operator=(ScriptSession const&) = delete;

    // Runs one line (a statement, a comment or nothing). A statement that cannot run throws
    // std::exception with the reason and changes nothing.
    void run_line(std::string const& line);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Runs a vorn script: one statement per line, as docs/vorn-scripts.md describes. The run
// starts a fresh session (a new empty scene, item selection mode, an empty undo history, default
// preferences, one default viewport as the active one, no active tool) with the components
// already registered; statements print their data to out, while the messages the components
// show ("message: TEXT") and warnings ("warning: TEXT") go to err. A UTF-8 byte-order mark before
// the first statement is skipped. The first failing statement stops the script with
// "NAME:LINE: reason" on err, name being how the script is called here; what the earlier statements did stays, the
// failing one changes nothing. Answers the exit code: 0 when every statement ran, 1 otherwise.
// A tool still active at the end is dropped; the scene stays active after the run.
int run_script(std::istream& in, std::string const& name, std::ostream& out, std::ostream& err);

// Runs the script in the file at path, or standard input for "-" (named "<stdin>" in messages).
int run_script_file(std::string const& path, std::ostream& out, std::ostream& err);

// The words of a script line: separated by blanks, a '#' outside double quotes starts a comment,
// double quotes may hold blanks and a backslash takes the next character literally. Throws
// std::invalid_argument for an unterminated quote or a backslash at the end of the line.
std::vector<std::string> split_words(std::string const& line);

} // namespace vorn
