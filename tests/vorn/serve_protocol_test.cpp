#include "geometry_frame.h"
#include "mesh_file.h"
#include "module_loader.h"
#include "script.h"
#include "serve_protocol.h"

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// A geometry frame read back field by field, as the page reads it.
struct Frame {
    std::string name;
    std::uint64_t revision = 0;
    std::uint32_t flags = 0;
    std::vector<float> positions;
    std::vector<std::uint32_t> starts, corners, edges;
    std::vector<std::uint8_t> edge_flags, point_flags, polygon_flags;
};

Frame decode(std::string const& data)
{
    std::size_t at = 0;
    auto const u32 = [&] {
        std::uint32_t v = 0;
        std::memcpy(&v, data.data() + at, 4);
        at += 4;
        return v;
    };
    auto const bytes = [&](std::size_t n) {
        std::vector<std::uint8_t> v(data.begin() + at, data.begin() + at + n);
        at += (n + 3) & ~std::size_t(3);
        return v;
    };
    Frame f;
    EXPECT_EQ(u32(), vorn::kGeometryFrameMagic);
    EXPECT_EQ(u32(), 1u);
    std::size_t const name_bytes = u32();
    auto const name = bytes(name_bytes);
    f.name.assign(name.begin(), name.end());
    f.revision = u32();
    f.revision |= std::uint64_t(u32()) << 32;
    std::uint32_t const points = u32(), polygons = u32(), corners = u32(), edges = u32();
    f.flags = u32();
    f.positions.resize(3 * points);
    std::memcpy(f.positions.data(), data.data() + at, 12 * points);
    at += 12 * points;
    for (auto [v, n] : {std::pair{&f.starts, polygons + 1}, {&f.corners, corners}, {&f.edges, 2 * edges}})
        for (std::uint32_t k = 0; k < n; ++k)
            v->push_back(u32());
    f.edge_flags = bytes(edges);
    f.point_flags = bytes(points);
    f.polygon_flags = bytes(polygons);
    EXPECT_EQ(at, data.size());
    return f;
}

// What one request sent, by kind, in the order it came.
struct Sent {
    std::vector<vorn::Outgoing> all;
    std::vector<std::string> frames; // binary frames for the client asked about
    std::vector<json> texts;         // JSON messages for that client
    json reply() const { return texts.back(); }
    json of_type(std::string const& type) const
    {
        for (json const& t : texts)
            if (t["type"] == type)
                return t;
        return nullptr;
    }
};

class ServeProtocolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    }

    void SetUp() override
    {
        root = fs::temp_directory_path() / ("serve_test_" + std::to_string(getpid()));
        fs::create_directories(root / "inside");
        protocol = std::make_unique<vorn::ServeProtocol>(root / "inside", root);
    }
    void TearDown() override
    {
        protocol.reset();
        fs::remove_all(root);
    }

    static Sent split(std::vector<vorn::Outgoing> all, int client)
    {
        Sent s;
        for (auto const& m : all)
            if (m.client == client) {
                if (m.binary)
                    s.frames.push_back(m.data);
                else
                    s.texts.push_back(json::parse(m.data));
            }
        s.all = std::move(all);
        return s;
    }

    Sent ask(json request, int client = 1, int seen_by = 0)
    {
        request["id"] = next_id++;
        return split(protocol->handle(client, request.dump()), seen_by ? seen_by : client);
    }

    // Asks, expecting the request to be granted.
    Sent grant(json const& request, int client = 1)
    {
        Sent s = ask(request, client);
        EXPECT_TRUE(s.reply()["ok"].get<bool>()) << request << ": " << s.reply();
        return s;
    }

    std::string mesh_text(std::string const& name) const
    {
        return vorn::write_mesh_text(*teskar::mesh_of(protocol->session().find_item(name)));
    }

    // A 4 by 4 grid, 2 wide, seen from straight above; pixel (292, 120) lies by the side from
    // point 1 to point 6.
    void grid_from_above(int client = 1)
    {
        grant({{"op", "hello"}}, client);
        grant({{"op", "new"}, {"kind", "grid"}, {"name", "g"}, {"nx", 4}, {"ny", 4}, {"size", 2}}, client);
        grant({{"op", "viewport"}, {"width", 800}, {"height", 600}, {"eye", {0, 5, 0}}, {"target", {0, 0, 0}},
               {"up", {0, 1, 0}}, {"orthographic", true}, {"view_height", 2.5}},
              client);
    }

    fs::path root;
    std::unique_ptr<vorn::ServeProtocol> protocol;
    int next_id = 1;
};

// The frame holds the mesh as the kernel has it: compacted points in world space, polygons,
// each edge once, and the selection bits.
void expect_frame_is_mesh(Frame const& f, teskar::Mesh const& mesh)
{
    ASSERT_EQ(f.positions.size(), 3 * std::size_t(mesh.points().count()));
    ASSERT_EQ(f.starts.size(), std::size_t(mesh.polygons().count()) + 1);
    EXPECT_EQ(f.edges.size(), 2 * mesh.count_edges());
    std::vector<VORNSDK::Index> slot;
    for (auto p : mesh.points())
        slot.push_back(p);
    for (std::size_t i = 0; i < slot.size(); ++i) {
        EXPECT_FLOAT_EQ(f.positions[3 * i], float(mesh.point_position(slot[i]).x));
        EXPECT_FLOAT_EQ(f.positions[3 * i + 2], float(mesh.point_position(slot[i]).z));
        EXPECT_EQ(f.point_flags[i] & 1, mesh.point_selected(slot[i]) ? 1 : 0);
    }
    std::size_t k = 0;
    for (auto poly : mesh.polygons()) {
        auto const list = mesh.polygon_vertices(poly);
        ASSERT_EQ(f.starts[k + 1] - f.starts[k], list.count);
        for (std::size_t c = 0; c < list.count; ++c)
            EXPECT_EQ(slot[f.corners[f.starts[k] + c]], list[c]);
        EXPECT_EQ(f.polygon_flags[k] & 1, mesh.polygon_selected(poly) ? 1 : 0);
        ++k;
    }
    for (std::size_t e = 0; e < f.edge_flags.size(); ++e) {
        VORNSDK::VertexPair const pair{slot[f.edges[2 * e]], slot[f.edges[2 * e + 1]]};
        EXPECT_LT(f.edges[2 * e], f.edges[2 * e + 1]);
        EXPECT_TRUE(mesh.edge_exists(pair));
        EXPECT_EQ((f.edge_flags[e] & 1) != 0, mesh.edge_hard(pair));
        EXPECT_EQ((f.edge_flags[e] & 2) != 0, mesh.selected_edges().contains(pair));
    }
}

TEST_F(ServeProtocolTest, InsertLoopByPointerEventsThenUndo)
{
    Sent const hello = grant({{"op", "hello"}});
    EXPECT_EQ(hello.reply()["version"], 1);
    EXPECT_FALSE(hello.reply()["components"].empty());
    Sent const made = grant({{"op", "new"}, {"kind", "grid"}, {"name", "g"}, {"nx", 4}, {"ny", 4}, {"size", 2}});
    // Frames, state and drawing come before the reply.
    ASSERT_EQ(made.frames.size(), 1u);
    EXPECT_EQ(made.texts[0]["type"], "state");
    EXPECT_EQ(made.texts[1]["type"], "drawing");
    Frame const before = decode(made.frames[0]);
    EXPECT_EQ(before.name, "g");
    EXPECT_EQ(before.flags, 1u);
    EXPECT_EQ(before.starts.size(), 17u);
    expect_frame_is_mesh(before, *teskar::mesh_of(protocol->session().find_item("g")));
    grant({{"op", "viewport"}, {"width", 800}, {"height", 600}, {"eye", {0, 5, 0}}, {"target", {0, 0, 0}},
           {"up", {0, 1, 0}}, {"orthographic", true}, {"view_height", 2.5}});

    EXPECT_EQ(grant({{"op", "tool"}, {"name", "InsertLoop"}}).of_type("state")["tool"]["name"], "InsertLoop");
    Sent const hover = grant({{"op", "pointer"}, {"event", "hover"}, {"x", 292}, {"y", 120}});
    EXPECT_TRUE(hover.frames.empty());
    EXPECT_FALSE(hover.of_type("drawing")["entries"].empty());
    Sent const pressed = grant({{"op", "pointer"}, {"event", "press"}, {"x", 292}, {"y", 120}, {"button", 0}});
    Sent const released = grant({{"op", "pointer"}, {"event", "release"}, {"x", 292}, {"y", 120}});
    ASSERT_EQ(pressed.frames.size() + released.frames.size(), 1u);
    Frame const after = decode(pressed.frames.empty() ? released.frames[0] : pressed.frames[0]);
    EXPECT_GT(after.starts.size(), before.starts.size());
    EXPECT_GT(after.revision, before.revision);
    expect_frame_is_mesh(after, *teskar::mesh_of(protocol->session().find_item("g")));

    Sent const undone = grant({{"op", "undo"}});
    ASSERT_EQ(undone.frames.size(), 1u);
    EXPECT_EQ(decode(undone.frames[0]).starts.size(), before.starts.size());
}

TEST_F(ServeProtocolTest, BadRequestsAnswerErrorsAndChangeNothing)
{
    grid_from_above();
    grant({{"op", "tool"}, {"name", "InsertLoop"}, {"values", {{"Slices", 2}}}});
    std::string const text = mesh_text("g");
    auto const steps = teskar::UndoHistory::instance().undo_names();

    for (std::string const raw : {"{", "[1,2]", R"({"op":"hello"})", R"({"id":"7","op":"hello"})"}) {
        Sent const s = split(protocol->handle(1, raw), 1);
        EXPECT_FALSE(s.reply()["ok"].get<bool>()) << raw;
        EXPECT_TRUE(s.reply()["id"].is_null()) << raw;
    }
    json const refused[] = {
        {{"op", "fly"}},
        {{"op", "new"}, {"kind", "grid"}, {"nx", "3"}},
        {{"op", "new"}, {"kind", "grid"}, {"name", "g"}},
        {{"op", "new"}, {"kind", "cone"}},
        {{"op", "set"}, {"values", {{"Slices", "many"}}}},
        {{"op", "set"}, {"values", {{"Slices", 3}, {"Nonsense", 1}}}},
        {{"op", "set"}, {"values", {{"Slices", {1, 2}}}}},
        {{"op", "pointer"}, {"event", "drag"}, {"x", 1}, {"y", 2}},
        {{"op", "pointer"}, {"event", "hover"}, {"x", 1}},
        {{"op", "pointer"}, {"event", "wiggle"}, {"x", 1}, {"y", 2}},
        {{"op", "viewport"}, {"width", 900}, {"height", 600}, {"eye", {0, 0, 0}}, {"target", {0, 0, 0}}, {"up", {0, 1, 0}}},
        {{"op", "mode"}, {"mode", "faces"}},
        {{"op", "items"}, {"names", {"g", 3}}},
        {{"op", "undo"}, {"n", 99}},
        {{"op", "command"}, {"name", "NoSuchCommand"}},
    };
    for (json const& r : refused) {
        Sent const s = ask(r);
        EXPECT_FALSE(s.reply()["ok"].get<bool>()) << r;
        EXPECT_TRUE(s.reply()["error"].is_string()) << r;
        EXPECT_EQ(s.reply()["id"], next_id - 1);
    }
    // A value of the wrong shape names the attribute it was meant for.
    EXPECT_NE(ask({{"op", "set"}, {"values", {{"Slices", true}}}}).reply()["error"].get<std::string>().find("Slices"),
              std::string::npos);
    EXPECT_EQ(mesh_text("g"), text);
    EXPECT_EQ(teskar::UndoHistory::instance().undo_names(), steps);
    EXPECT_EQ(protocol->session().camera().width, 800);
    EXPECT_EQ(protocol->session().tool_attribute("Slices").as_int(), 2);
}

TEST_F(ServeProtocolTest, EachClientGetsWhatItHasNotSeen)
{
    grid_from_above();
    grant({{"op", "new"}, {"kind", "box"}, {"name", "b"}});
    // A newcomer receives every item; the first client only what changed for it.
    Sent const second = grant({{"op", "hello"}}, 2);
    EXPECT_EQ(second.frames.size(), 2u);
    EXPECT_TRUE(split(second.all, 1).frames.empty());
    EXPECT_EQ(split(second.all, 1).texts.size(), 2u); // state and drawing, no reply

    // Selecting the box's polygons changes the box alone; item selection stays.
    grant({{"op", "mode"}, {"mode", "polygons"}});
    Sent const selected = grant({{"op", "select"}, {"all", true}}, 2);
    for (int client : {1, 2}) {
        Sent const s = split(selected.all, client);
        ASSERT_EQ(s.frames.size(), 1u);
        Frame const f = decode(s.frames[0]);
        EXPECT_EQ(f.name, "b");
        EXPECT_EQ(f.polygon_flags, std::vector<std::uint8_t>(6, 1));
    }
    Sent const undone = grant({{"op", "undo"}, {"n", 3}}, 1);
    EXPECT_EQ(split(undone.all, 2).of_type("removed")["items"], json::array({"b"}));
    EXPECT_EQ(undone.of_type("state")["redo"], json::array({"New Box", "Selection Mode", "Select All"}));
}

TEST_F(ServeProtocolTest, FilesStayInsideTheRoot)
{
    grid_from_above();
    fs::create_directory_symlink(root, root / "inside" / "out");
    for (std::string const path : {"../g.obj", "/tmp/g.obj", "out/g.obj", "sub/../../g.obj"}) {
        EXPECT_FALSE(ask({{"op", "save"}, {"path", path}}).reply()["ok"].get<bool>()) << path;
        EXPECT_FALSE(fs::exists(root / "g.obj")) << path;
    }
    grant({{"op", "save"}, {"path", "g.mesh"}});
    grant({{"op", "load"}, {"path", "g.mesh"}, {"name", "copy"}});
    EXPECT_EQ(mesh_text("copy"), mesh_text("g"));
    fs::copy_file(root / "inside" / "g.mesh", root / "g.mesh");
    EXPECT_FALSE(ask({{"op", "load"}, {"path", "../g.mesh"}, {"name", "x"}}).reply()["ok"].get<bool>());

    // A person's file goes through a scratch folder that is gone afterwards.
    Sent const opened = grant({{"op", "open"}, {"filename", "../tri.obj"}, {"data", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"}});
    EXPECT_EQ(opened.reply()["name"], "tri");
    for (auto const& entry : fs::directory_iterator(root))
        EXPECT_EQ(entry.path().filename().string().rfind("vorn-open", 0), std::string::npos);
    Sent const download = grant({{"op", "download"}, {"format", "obj"}, {"item", "tri"}});
    EXPECT_EQ(download.reply()["filename"], "tri.obj");
    EXPECT_NE(download.reply()["data"].get<std::string>().find("f 1 2 3"), std::string::npos);
}

TEST_F(ServeProtocolTest, ClientGoneMidDragDropsTheTool)
{
    grid_from_above(1);
    grant({{"op", "hello"}}, 2);
    grant({{"op", "tool"}, {"name", "InsertLoop"}}, 1);
    grant({{"op", "pointer"}, {"event", "hover"}, {"x", 292}, {"y", 120}}, 1);
    EXPECT_TRUE(grant({{"op", "pointer"}, {"event", "press"}, {"x", 292}, {"y", 120}}, 1).of_type("state")["held"]);
    // Another client leaving changes nothing; the one holding the button drops the tool.
    EXPECT_TRUE(protocol->disconnect(3).empty());
    Sent const gone = split(protocol->disconnect(1), 2);
    EXPECT_TRUE(gone.of_type("state")["tool"].is_null());
    EXPECT_FALSE(gone.of_type("state")["held"].get<bool>());
    EXPECT_TRUE(gone.of_type("drawing")["entries"].empty());
    EXPECT_NE(protocol->script().find("\ndrop\n"), std::string::npos);
}

TEST_F(ServeProtocolTest, RecordedScriptReplaysTheSession)
{
    grid_from_above();
    grant({{"op", "tool"}, {"name", "InsertLoop"}, {"values", {{"Slices", 2}}}});
    for (int x : {250, 280, 292})
        grant({{"op", "pointer"}, {"event", "hover"}, {"x", x}, {"y", 120}});
    grant({{"op", "pointer"}, {"event", "press"}, {"x", 292}, {"y", 120}});
    grant({{"op", "pointer"}, {"event", "release"}, {"x", 292}, {"y", 120}, {"shift", true}});
    grant({{"op", "drop"}});
    grant({{"op", "mode"}, {"mode", "polygons"}});
    grant({{"op", "click"}, {"x", 400}, {"y", 300}});
    grant({{"op", "click"}, {"x", 330}, {"y", 250}, {"shift", true}});
    grant({{"op", "command"}, {"name", "HardEdgesPatchCommand"}});
    grant({{"op", "mode"}, {"mode", "edges"}});
    Sent const edge = grant({{"op", "click"}, {"x", 292}, {"y", 120}});
    // The frame carries the hard edges and the selected edge as the mesh has them.
    teskar::Mesh const& g = *teskar::mesh_of(protocol->session().find_item("g"));
    ASSERT_EQ(edge.frames.size(), 1u);
    ASSERT_GT(g.hard_edge_count(), 0u);
    ASSERT_EQ(g.selected_edges().size(), 1u);
    expect_frame_is_mesh(decode(edge.frames[0]), g);
    std::string const script = grant({{"op", "script"}}).reply()["data"];
    std::string const text = mesh_text("g");
    EXPECT_EQ(script.find("hover 250"), std::string::npos) << script;

    protocol.reset();
    std::istringstream in(script);
    std::ostringstream out, err;
    ASSERT_EQ(vorn::run_script(in, "session.vorn", out, err), 0) << err.str() << script;
    auto const scene = teskar::scene_of(teskar::Kernel::instance().active_scene());
    EXPECT_EQ(vorn::write_mesh_text(*teskar::mesh_of(scene->find_item(VORNSDK::String("g")))), text);
}

} // namespace
