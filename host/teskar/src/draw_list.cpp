#include "teskar/draw_list.h"

#include <algorithm>
#include <iterator>

namespace teskar {

using namespace VORNSDK;

DrawList::Entry& DrawList::add(Kind kind)
{
    Entry& e = entries_.emplace_back();
    e.kind = kind;
    e.color = color_;
    e.stipple_factor = stipple_factor_;
    e.stipple_pattern = stipple_pattern_;
    return e;
}

void DrawList::set_color(float r, float g, float b, float a)
{
    color_ = {r, g, b, a};
    add(Kind::Color);
}

void DrawList::set_line_stipple(int factor, std::uint16_t pattern)
{
    stipple_factor_ = factor;
    stipple_pattern_ = factor == 0 ? std::uint16_t(0xFFFF) : pattern;
    add(Kind::Stipple);
}

void DrawList::draw_line(Vector3d const& a, Vector3d const& b)
{
    Entry& e = add(Kind::Line);
    e.points[0] = a;
    e.points[1] = b;
}

void DrawList::draw_text(Vector3f const& at, String const& text)
{
    Entry& e = add(Kind::Text);
    e.points[0] = {at.x, at.y, at.z};
    e.text = text;
}

void DrawList::draw_quad(Vector3d const& a, Vector3d const& b, Vector3d const& c, Vector3d const& d)
{
    Entry& e = add(Kind::Quad);
    e.points[0] = a;
    e.points[1] = b;
    e.points[2] = c;
    e.points[3] = d;
}

void DrawList::draw_point(Vector3d const& p, float size)
{
    Entry& e = add(Kind::Point);
    e.points[0] = p;
    e.size = size;
}

std::vector<DrawList::Entry> DrawList::of_kind(Kind kind) const
{
    std::vector<Entry> out;
    std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(out), [&](Entry const& e) { return e.kind == kind; });
    return out;
}

std::size_t DrawList::count(Kind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [&](Entry const& e) { return e.kind == kind; }));
}

void DrawList::clear()
{
    entries_.clear();
    color_ = {1, 1, 1, 1};
    stipple_factor_ = 0;
    stipple_pattern_ = 0xFFFF;
}

} // namespace teskar
