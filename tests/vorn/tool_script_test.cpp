#include "script_fixture.h"

#include "demo.h"
#include "render.h"

#include "teskar/history.h"
#include "teskar/host_plugin.h"
#include "teskar/kernel.h"
#include "teskar/viewport.h"

#include "vornsdk/attribute.h"
#include "vornsdk/description.h"
#include "vornsdk/host.h"
#include "vornsdk/tool.h"

#include <cairo.h>

#include <memory>

namespace {

using namespace VORNSDK;

// A tool that keeps every event it is handed, with its "Count" when it is deactivated, and shows
// a message for each of its two actions.
class RecordingTool : public Plugin, public InteractiveToolInterface {
public:
    struct Event {
        std::string what;
        InputDeviceState state;
    };
    static inline std::vector<Event> events;

    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "InteractiveTool");
        teskar::add_attribute(d, "Count", Parameter::PT_INT, 0);
        teskar::add_attribute(d, "Flag", Parameter::PT_BOOL, false);
        ParameterList bindings;
        for (char const* action : {"Mirror", "Go"})
            bindings.add(Parameter(Parameter(""), Parameter(action), Parameter("F1"), Parameter("Moment")));
        d.add_tag(ComponentDescription::default_tool_keybindings(), Parameter(bindings));
        return true;
    }
    void* query_interface(UniqueID const& id) override
    {
        return id == InteractiveToolInterface::iid() ? static_cast<InteractiveToolInterface*>(this) : nullptr;
    }
    void activate(Component const&) override { events.push_back({"activate", {}}); }
    void deactivate() override { events.push_back({"deactivate " + std::to_string(attribute("Count").as_int()), {}}); }
    void action_pressed(String const& a) override { display_message("pressed " + a.to_utf8()); }
    void action_released(String const& a) override { display_message("released " + a.to_utf8()); }
    void draw_first(DrawInterface&) override {}
    void draw(DrawInterface&) override {}
    bool button_pressed(int, InputDeviceState const& s) override
    {
        events.push_back({"press", s});
        return true;
    }
    void pointer_moved(int, InputDeviceState const& s) override { events.push_back({"move", s}); }
    void button_released(int, InputDeviceState const& s) override { events.push_back({"release", s}); }
    void host_notification_a(int) override {}
    void host_notification_b(int) override {}
};

// A picture read back from a PNG file.
struct Picture {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface{nullptr, &cairo_surface_destroy};

    explicit Picture(std::string const& path) : surface(cairo_image_surface_create_from_png(path.c_str()), &cairo_surface_destroy) {}
    bool ok() const { return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface.get()); }
    int height() const { return cairo_image_surface_get_height(surface.get()); }
    // Red, green and blue, 0 to 255.
    std::array<int, 3> at(int x, int y) const
    {
        unsigned char const* row = cairo_image_surface_get_data(surface.get()) + y * cairo_image_surface_get_stride(surface.get());
        std::uint32_t const pixel = reinterpret_cast<std::uint32_t const*>(row)[x];
        return {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
    }
};

// The tool colour's orange: strong red, middling green, little blue.
bool orange(std::array<int, 3> const& c) { return c[0] > 200 && c[1] > 90 && c[1] < 190 && c[2] < 90; }

class ToolScriptTest : public ScriptTest {
protected:
    static void SetUpTestSuite()
    {
        ScriptTest::SetUpTestSuite();
        auto& registry = teskar::Kernel::instance().registry();
        if (!registry.find("RecordingTool"))
            teskar::register_host_plugin<RecordingTool>(registry, "RecordingTool");
    }
    void SetUp() override { RecordingTool::events.clear(); }
    // The events hold components, which must go before the kernel that made them does at exit.
    void TearDown() override
    {
        RecordingTool::events.clear();
        ScriptTest::TearDown();
    }

    // A 4 by 4 grid, 2 wide, seen from straight above: 240 pixels a unit, the origin at (400, 300),
    // -z up the picture. Pixel (292, 120) is world (-0.45, -0.75): inside polygon 1, nearest its
    // side from point 1 to point 6, halfway along it.
    static constexpr char const* kGridFromAbove = "new grid g 4 4 2\ncamera 0 5 0 0 0 0 ortho 2.5\n";
};

TEST_F(ToolScriptTest, InsertLoopPreviewsInsertsUndoesAndDrops)
{
    std::string const preview = temp("preview.png"), plain = temp("plain.png");
    Outcome const o = run(std::string(kGridFromAbove) + "tool InsertLoop\nhover 292 120\nrender " + preview +
                          "\npress 292 120\nrelease 292 120\ninfo\nget Slices\nget Edge\nundo\ninfo\ndrop\nrender " +
                          plain + "\n");
    ASSERT_EQ(o.code, 0) << o.err;
    auto const lines = json_lines(o.out.substr(0, o.out.find('\n') + 1));
    EXPECT_EQ(lines[0]["points"], 30);
    EXPECT_EQ(lines[0]["polygons"], 20);
    // The click's attributes return to their defaults; the slices stay.
    EXPECT_NE(o.out.find("\nSlices=1\nEdge=-\n"), std::string::npos) << o.out;
    std::string const after_undo = o.out.substr(o.out.rfind('{'));
    EXPECT_EQ(json_lines(after_undo)[0]["points"], 25);
    EXPECT_EQ(json_lines(after_undo)[0]["polygons"], 16);
    EXPECT_EQ(teskar::UndoHistory::instance().redo_names(), std::vector<std::string>{"Add Loop"});

    // The ring preview runs across the row at z = -0.75, drawn in the tool colour; without the
    // tool the same pixels show the grid.
    Picture const with_tool(preview), without(plain);
    ASSERT_TRUE(with_tool.ok() && without.ok());
    int preview_pixels = 0;
    for (int x = 170; x < 630; x += 20)
        preview_pixels += orange(with_tool.at(x, 120)) && !orange(without.at(x, 120));
    EXPECT_EQ(preview_pixels, 23);
}

TEST_F(ToolScriptTest, ClicksWithTheRemoveKeyHeldTakeTheLoopOutAgain)
{
    // Ctrl holds "RemoveLoop": a click just below the new loop merges the polygons across it (its
    // points stay on the ring edges). Once released, clicks insert again, here on the third row
    // (pixel y 330 is z = 0.125, between 0 and 0.5); Up and Down step the slices, and two slices cut at the middle.
    Outcome const o = run(std::string(kGridFromAbove) +
                          "tool InsertLoop\nhover 292 120\npress 292 120\nrelease 292 120\n"
                          "key Ctrl\nhover 292 122\npress 292 122\nrelease 292 122\ninfo\nkey Ctrl release\n"
                          "key Up\nkey Up\nkey Down\nget Slices\nhover 292 330\npress 292 330\nrelease 292 330\ninfo\n");
    ASSERT_EQ(o.code, 0) << o.err;
    auto const removed = json_lines(o.out.substr(0, o.out.find('\n') + 1))[0];
    EXPECT_EQ(removed["polygons"], 16);
    EXPECT_EQ(removed["points"], 30);
    EXPECT_NE(o.out.find("\nSlices=2\n"), std::string::npos) << o.out;
    auto const inserted = json_lines(o.out.substr(o.out.rfind('{')))[0];
    EXPECT_EQ(inserted["polygons"], 20);
    EXPECT_EQ(inserted["points"], 35);
    int on_new_loop = 0;
    for (VORNSDK::Index p : mesh("g")->points())
        on_new_loop += mesh("g")->point_position(p).z == 0.25;
    EXPECT_EQ(on_new_loop, 5);
}

TEST_F(ToolScriptTest, EventsCarryPositionButtonsModifiersAndTheViewport)
{
    Outcome const o = run("viewport 320 200\ntool RecordingTool\nhover 10.5 20 shift\npress 11 21 right ctrl alt\n"
                          "drag 12 22\nrelease 13.25 23 shift\npress 5 6\nrelease 5 6\nhover 7 8\n"
                          "action Mirror\nkey-less\n");
    EXPECT_EQ(o.code, 1);
    auto const& ev = RecordingTool::events;
    ASSERT_EQ(ev.size(), 9u);
    EXPECT_EQ(ev[0].what, "activate");
    Component const viewport = app_node()["ActiveViewport"].as_ref();
    ASSERT_TRUE(teskar::viewport_of(viewport));
    EXPECT_EQ(app_node()["CurrentViewport"].as_ref(), viewport);

    struct Expected {
        char const* what;
        float x, y;
        std::uint32_t buttons, modifiers;
        int button;
    };
    Expected const expected[] = {
        {"move", 10.5f, 20, 0, 1u << kModifierShift, -1},
        {"press", 11, 21, 1u << kButtonRight, (1u << kModifierCtrl) | (1u << kModifierAlt), kButtonRight},
        {"move", 12, 22, 1u << kButtonRight, 0, -1},
        {"release", 13.25f, 23, 0, 1u << kModifierShift, kButtonRight},
        {"press", 5, 6, 1u << kButtonLeft, 0, kButtonLeft},
        {"release", 5, 6, 0, 0, kButtonLeft},
        {"move", 7, 8, 0, 0, -1},
    };
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        SCOPED_TRACE(k);
        InputDeviceState const& s = ev[k + 1].state;
        EXPECT_EQ(ev[k + 1].what, expected[k].what);
        EXPECT_EQ(s.pointer_x(), expected[k].x);
        EXPECT_EQ(s.pointer_y(), expected[k].y);
        EXPECT_EQ(s.buttons.valid, 7u);
        EXPECT_EQ(s.buttons.state, expected[k].buttons);
        EXPECT_EQ(s.modifiers.valid, 7u);
        EXPECT_EQ(s.modifiers.state, expected[k].modifiers);
        EXPECT_EQ(s.button, expected[k].button);
        EXPECT_FALSE(s.flags.test(kFlagConstrain));
        EXPECT_EQ(s.viewport, viewport);
    }
    int x = 0, y = 0;
    teskar::viewport_of(viewport)->pointer_position(x, y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(teskar::viewport_of(viewport)->camera().width, 320);
    // The action's message was shown; the run's end dropped the tool after the error.
    EXPECT_EQ(ev.back().what, "deactivate 0");
    EXPECT_EQ(teskar::Kernel::instance().messages(), std::vector<std::string>{"pressed Mirror"});

    Outcome const m = run("tool RecordingTool\naction Go\naction Go release\nmessages\n");
    ASSERT_EQ(m.code, 0) << m.err;
    EXPECT_EQ(m.out, "pressed Go\nreleased Go\n");
    EXPECT_EQ(m.err, "message: pressed Go\nmessage: released Go\n");
    EXPECT_EQ(RecordingTool::events.back().what, "deactivate 0");
}

TEST_F(ToolScriptTest, RenderedPicturesHaveTheirSizeShadingAndHighlights)
{
    std::string const big = temp("big.png"), small = temp("small.png"), inside = temp("inside.png");
    Outcome const o = run(std::string(kGridFromAbove) + "mode polygons\nselect polygons 5\nrender " + big +
                          "\nmode edges\nselect edges (0,1)\nrender " + small +
                          " 200 150\nnew box b 3\ncamera 0 0 0 1 0.2 0 fov 90\nrender " + inside + "\n");
    ASSERT_EQ(o.code, 0) << o.err;
    Picture const a(big), b(small), c(inside);
    ASSERT_TRUE(a.ok() && b.ok() && c.ok());
    EXPECT_EQ(a.width(), 800);
    EXPECT_EQ(a.height(), 600);
    EXPECT_EQ(b.width(), 200);
    EXPECT_EQ(b.height(), 150);
    // The corner is background (light grey), the grid's faces are a darker blue, the selected
    // polygon 5 (x -0.5..0, z -0.5..0 : pixels 280..400, 180..300) is tinted warm.
    auto const corner = a.at(2, 2), face = a.at(220, 500), selected = a.at(340, 240);
    EXPECT_GT(corner[0], 220);
    EXPECT_LT(face[0], corner[0] - 40);
    EXPECT_GT(face[2], face[0]);
    EXPECT_GT(selected[0], selected[2] + 40);
    // In edge mode the polygon is plain again; the selected edge along the grid's top is drawn
    // thick in the selection colour (at a quarter of the size: y = 15, x 40..70).
    auto const edge = b.at(55, 15), plain = b.at(85, 45);
    EXPECT_GT(edge[0], edge[2] + 80);
    EXPECT_GT(plain[2], plain[0]);
    // From inside the box, the faces crossing the near plane are left out and the rest is drawn:
    // the far wall's back side, a dark face, fills the middle.
    auto const wall = c.at(400, 300);
    EXPECT_LT(wall[0], 150);
}

TEST_F(ToolScriptTest, PointerPositionsFarOffTheViewPickNothing)
{
    // Rays through these points run far beyond what the ray caster traces: nothing is under the
    // pointer, so the click inserts nothing.
    Outcome const o = run(std::string(kGridFromAbove) +
                          "tool InsertLoop\nhover 1e19 0\nhover -3e38 3e38\npress 1e19 0\nrelease 1e19 0\ndrop\ninfo\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(json_lines(o.out)[0]["polygons"], 16);
}

TEST_F(ToolScriptTest, ToolAndEventErrorsStopTheScript)
{
    std::string const prelude = std::string(kGridFromAbove) + "tool InsertLoop Slices=2\n";
    struct Case {
        char const* line;
        char const* message;
    };
    for (auto const& [line, message] : std::vector<Case>{
             {"tool Dissolve", "'Dissolve' is not an interactive tool"},
             {"tool Nothing", "unknown component 'Nothing'"},
             {"tool InsertLoop Slices=x", "bad value 'x' for Slices"},
             {"key PageUp", "no action of 'InsertLoop' is bound to the key 'PageUp'"},
             {"set Slices=4 Colour=1", "'InsertLoop' has no attribute 'Colour'"},
             {"hover 1 y", "bad Y coordinate 'y'"},
             {"hover 1 2 meta", "unknown modifier 'meta'"},
             {"press 1 2 left right", "unknown modifier 'right'"},
             {"drag 1 2", "no button is held"},
             {"camera 1 1 1 1 1 1", "the eye and the target must differ"},
             {"camera 1e11 0 0 100000000000.001 0 0", "the eye and the target must differ, by at least 100 here"},
             {"hover 1e39 0", "X coordinate '1e39' is too large for a pointer event"},
             {"action Nope", "'InsertLoop' has no action 'Nope' (known: IncSlice, DecSlice, Mirror, RemoveLoop, "
                             "SlideLoop)"},
             {"camera 0 0 5 0 0 0 ortho 1 fov 20", "usage: camera"},
             {"viewport 800 0", "H must be a positive integer"},
             {"render picture.jpg", "render writes .png files"},
         }) {
        SCOPED_TRACE(line);
        Outcome const o = run(prelude + line + "\nget Slices\n");
        EXPECT_EQ(o.code, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind("test.vs:4: ", 0), 0u) << o.err;
        EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
    }
    // A failed set stores none of its values; the tool's values reach it before it starts.
    RecordingTool::events.clear();
    EXPECT_EQ(run("tool RecordingTool Count=2\nset Count=4 Flag=x\n").code, 1);
    ASSERT_EQ(RecordingTool::events.size(), 2u);
    EXPECT_EQ(RecordingTool::events.back().what, "deactivate 2");
    for (char const* line : {"set Slices=3", "drop", "hover 1 2", "action Mirror"})
        EXPECT_NE(run(std::string(line) + "\n").err.find("no tool is active"), std::string::npos) << line;
    Outcome const held = run(prelude + "press 1 2\npress 3 4\n");
    EXPECT_NE(held.err.find("test.vs:5: a button is held already"), std::string::npos) << held.err;
}

TEST_F(ToolScriptTest, TheDemoChangesEveryMeshAndWritesItsPictures)
{
    std::string const dir = temp("demo");
    std::ostringstream out, err;
    ASSERT_EQ(vorn::run_demo(TOLVIR_MODULE_PATH, dir, out, err), 0) << out.str() << err.str();
    EXPECT_EQ(err.str(), "");
    // Each scene reports what its edit changed: the pointer found the geometry it aimed at.
    std::size_t summaries = 0;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        summaries += line.rfind("  ", 0) == 0 && line.find(" -> ") != std::string::npos;
    EXPECT_EQ(summaries, 12u) << out.str();
    std::size_t pictures = 0;
    for (auto const& entry : std::filesystem::directory_iterator(dir)) {
        std::string const path = entry.path().string();
        if (entry.path().extension() != ".png" || path.find("_before") == std::string::npos)
            continue;
        ++pictures;
        std::string const after = path.substr(0, path.rfind("_before")) + "_after.png";
        EXPECT_NE(std::filesystem::file_size(path), 0u);
        EXPECT_TRUE(std::filesystem::exists(after)) << after;
        EXPECT_NE(out.str().find("wrote " + after), std::string::npos);
    }
    EXPECT_EQ(pictures, 15u);
    std::filesystem::remove_all(dir);
}

TEST(ToolStipple, DashesStartWithADrawnRunAndKeepBitZeroInPlace)
{
    double offset = -1;
    EXPECT_TRUE(vorn::stipple_dashes(0, 0x00FF, offset).empty());
    EXPECT_TRUE(vorn::stipple_dashes(3, 0xFFFF, offset).empty());
    EXPECT_EQ(vorn::stipple_dashes(2, 0x00FF, offset), (std::vector<double>{16, 16}));
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(vorn::stipple_dashes(2, 0xFF00, offset), (std::vector<double>{16, 16}));
    EXPECT_EQ(offset, 16);
    // Bits 12..15 and 0..3 drawn make one run of 8 that bit 0 enters 4 bits in.
    EXPECT_EQ(vorn::stipple_dashes(1, 0xF00F, offset), (std::vector<double>{8, 8}));
    EXPECT_EQ(offset, 4);
    EXPECT_EQ(vorn::stipple_dashes(1, 0x0505, offset), (std::vector<double>{1, 1, 1, 5, 1, 1, 1, 5}));
    EXPECT_EQ(offset, 0);
}

} // namespace
