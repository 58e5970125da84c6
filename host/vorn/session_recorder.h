#pragma once

#include "teskar/viewport.h"

#include <optional>
#include <string>
#include <vector>

namespace vorn {

// What a person did through a front end, as a vorn script that replays it: one statement per
// successful operation that changed the scene or the view. The view is written lazily, as
// `viewport W H` and `camera ...` lines just before the next statement, and only when it differs
// from the one written last, so that a burst of camera moves costs one line. A run of hovers
// keeps only its last one, which is where the tool's preview ends up.
class SessionRecorder {
public:
    // A statement of words, quoted as the script reader needs.
    void add(std::vector<std::string> const& words);
    // A statement that is a pointer hover: replaces a hover written just before it.
    void add_hover(std::vector<std::string> const& words);
    void comment(std::string const& text);
    // The view the following statements see.
    void view(teskar::Camera const& camera);
    std::string script() const;

private:
    void write_view();

    std::vector<std::string> lines_;
    std::optional<teskar::Camera> view_, written_;
    bool last_is_hover_ = false;
};

// A number as its shortest text that reads back to the same double.
std::string number_text(double v);
// A word as a script line must hold it: quoted when it is empty or holds blanks, '#', quotes or
// backslashes, which are then escaped.
std::string script_word(std::string const& word);

} // namespace vorn
