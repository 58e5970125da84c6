#include "session_recorder.h"

#include <charconv>

namespace vorn {

namespace {

bool same_view(teskar::Camera const& a, teskar::Camera const& b)
{
    auto const same = [](VORNSDK::Vector3d const& u, VORNSDK::Vector3d const& v) {
        return u.x == v.x && u.y == v.y && u.z == v.z;
    };
    return a.width == b.width && a.height == b.height && same(a.eye, b.eye) && same(a.target, b.target) &&
           same(a.up, b.up) && a.orthographic == b.orthographic && a.fov_degrees == b.fov_degrees &&
           a.view_height == b.view_height && a.near_distance == b.near_distance && a.far_distance == b.far_distance;
}

std::string vector_text(VORNSDK::Vector3d const& v)
{
    return number_text(v.x) + ' ' + number_text(v.y) + ' ' + number_text(v.z);
}

} // namespace

std::string number_text(double v)
{
    char buffer[32];
    auto const result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

std::string script_word(std::string const& word)
{
    if (!word.empty() && word.find_first_of(" \t#\"\\") == std::string::npos)
        return word;
    std::string out = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

void SessionRecorder::add(std::vector<std::string> const& words)
{
    write_view();
    std::string line;
    for (std::string const& w : words) {
        if (!line.empty())
            line += ' ';
        line += script_word(w);
    }
    lines_.push_back(line);
    last_is_hover_ = false;
}

void SessionRecorder::add_hover(std::vector<std::string> const& words)
{
    bool const replace = last_is_hover_ && (!view_ || (written_ && same_view(*view_, *written_)));
    if (replace)
        lines_.pop_back();
    add(words);
    last_is_hover_ = true;
}

void SessionRecorder::comment(std::string const& text)
{
    lines_.push_back("# " + text);
    last_is_hover_ = false;
}

void SessionRecorder::view(teskar::Camera const& camera) { view_ = camera; }

// The size first, as the camera statement keeps the viewport's size.
void SessionRecorder::write_view()
{
    if (!view_ || (written_ && same_view(*view_, *written_)))
        return;
    teskar::Camera const& c = *view_;
    if (!written_ || written_->width != c.width || written_->height != c.height)
        lines_.push_back("viewport " + std::to_string(c.width) + ' ' + std::to_string(c.height));
    std::string lens = c.orthographic ? "ortho " + number_text(c.view_height) : "fov " + number_text(c.fov_degrees);
    lines_.push_back("camera " + vector_text(c.eye) + ' ' + vector_text(c.target) + " up " + vector_text(c.up) + ' ' +
                     lens + " clip " + number_text(c.near_distance) + ' ' + number_text(c.far_distance));
    written_ = c;
}

std::string SessionRecorder::script() const
{
    std::string out = "# A session of vorn serve, replayed with: vorn run session.vorn\n";
    for (std::string const& line : lines_)
        out += line + '\n';
    return out;
}

} // namespace vorn
