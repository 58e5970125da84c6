#pragma once

#include "vornsdk/draw.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace teskar {

// A DrawInterface that records what it is told, in order, for a renderer to replay or a test to
// inspect. Every drawing entry also carries the colour and stipple in effect when it was made.
class DrawList : public VORNSDK::DrawInterface {
public:
    enum class Kind { Color, Stipple, Line, Text, Quad, Point };

    struct Entry {
        Kind kind;
        VORNSDK::Vector4f color;   // in effect (for Color: the new colour)
        int stipple_factor = 0;    // in effect; 0: solid
        std::uint16_t stipple_pattern = 0xFFFF;
        VORNSDK::Vector3d points[4]; // line: 2, quad: 4, point and text: 1
        float size = 0;              // point size
        VORNSDK::String text;
    };

    void set_color(float r, float g, float b, float a) override;
    void set_line_stipple(int factor, std::uint16_t pattern) override;
    void draw_line(VORNSDK::Vector3d const& a, VORNSDK::Vector3d const& b) override;
    void draw_text(VORNSDK::Vector3f const& at, VORNSDK::String const& text) override;
    void draw_quad(VORNSDK::Vector3d const& a, VORNSDK::Vector3d const& b, VORNSDK::Vector3d const& c,
                   VORNSDK::Vector3d const& d) override;
    void draw_point(VORNSDK::Vector3d const& p, float size) override;

    std::vector<Entry> const& entries() const { return entries_; }
    // The entries of one kind, in order.
    std::vector<Entry> of_kind(Kind kind) const;
    std::size_t count(Kind kind) const;
    // Forgets the entries; the colour and stipple go back to opaque white, solid.
    void clear();

private:
    Entry& add(Kind kind);

    std::vector<Entry> entries_;
    VORNSDK::Vector4f color_{1, 1, 1, 1};
    int stipple_factor_ = 0;
    std::uint16_t stipple_pattern_ = 0xFFFF;
};

} // namespace teskar
