#include "statements.h"

#include "statement_words.h"

namespace vorn {

namespace {

void viewport(StatementContext& c, Words const& w)
{
    int const width = positive_int(w[1], "W"), height = positive_int(w[2], "H");
    c.session.set_viewport_size(width, height);
}

VORNSDK::Vector3d vector_at(Words const& w, std::size_t k, char const* what)
{
    if (k + 3 > w.size())
        fail(std::string(what) + " needs three numbers");
    return {number(w[k], what), number(w[k + 1], what), number(w[k + 2], what)};
}

char const* const camera_usage =
    "camera EX EY EZ TX TY TZ [up UX UY UZ] [fov DEGREES | ortho HEIGHT] [clip NEAR FAR]";

// The camera keeps the viewport's size and, unless given, its clip planes; up and the lens fall
// back to their defaults.
void camera(StatementContext& c, Words const& w)
{
    teskar::Camera camera = c.session.camera();
    camera.eye = vector_at(w, 1, "eye coordinate");
    camera.target = vector_at(w, 4, "target coordinate");
    camera.up = {0, 1, 0};
    camera.orthographic = false;
    camera.fov_degrees = 45;
    bool seen_up = false, seen_lens = false, seen_clip = false;
    for (std::size_t k = 7; k < w.size();) {
        if (w[k] == "up" && !seen_up) {
            camera.up = vector_at(w, k + 1, "up coordinate");
            seen_up = true;
            k += 4;
        } else if ((w[k] == "fov" || w[k] == "ortho") && !seen_lens && k + 1 < w.size()) {
            camera.orthographic = w[k] == "ortho";
            if (camera.orthographic)
                camera.view_height = positive_double(w[k + 1], "HEIGHT");
            else
                camera.fov_degrees = number(w[k + 1], "field of view");
            seen_lens = true;
            k += 2;
        } else if (w[k] == "clip" && !seen_clip && k + 2 < w.size()) {
            camera.near_distance = number(w[k + 1], "NEAR");
            camera.far_distance = number(w[k + 2], "FAR");
            seen_clip = true;
            k += 3;
        } else {
            fail(std::string("usage: ") + camera_usage);
        }
    }
    c.session.set_camera(camera);
}

void render(StatementContext& c, Words const& w)
{
    if (w.size() == 3)
        fail("usage: render PATH.png [W H]");
    std::optional<std::pair<int, int>> size;
    if (w.size() == 4)
        size = std::pair{positive_int(w[2], "W"), positive_int(w[3], "H")};
    c.session.render(w[1], size);
}

} // namespace

void add_view_statements(StatementTable& table)
{
    table.insert({
        {"viewport", {3, 3, "viewport W H", viewport}},
        {"camera", {7, kAnyWords, camera_usage, camera}},
        {"render", {2, 4, "render PATH.png [W H]", render}},
    });
}

} // namespace vorn
