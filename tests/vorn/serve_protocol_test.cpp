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
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// An item as the page keeps it from its frames: every slot, vacant ones flagged, the selection
// and the flagged edges. Vacant points lie at the origin.
struct Shown {
    std::string name;
    std::uint64_t revision = 0;
    bool item_selected = false;
    std::vector<float> positions;
    std::vector<std::uint8_t> point_vacant, polygon_vacant;
    std::vector<std::vector<std::uint32_t>> polygons;
    std::set<std::uint32_t> selected_points, selected_polygons;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint8_t> edges;
    bool operator==(Shown const&) const = default;
};

void PrintTo(Shown const& s, std::ostream* out)
{
    std::size_t vacant_points = std::count(s.point_vacant.begin(), s.point_vacant.end(), 1);
    std::size_t vacant_polygons = std::count(s.polygon_vacant.begin(), s.polygon_vacant.end(), 1);
    *out << s.name << " revision " << s.revision << ": " << s.point_vacant.size() << " point slots (" << vacant_points
         << " vacant), " << s.polygons.size() << " polygon slots (" << vacant_polygons << " vacant), "
         << s.selected_points.size() << " + " << s.selected_polygons.size() << " selected, " << s.edges.size()
         << " flagged edges";
}

// The mesh as a client should show it.
Shown shown_of(std::string const& name, teskar::Mesh const& mesh, bool item_selected)
{
    Shown s;
    s.name = name;
    s.revision = mesh.revision();
    s.item_selected = item_selected;
    for (VORNSDK::Index p = 0; p < mesh.points().slots(); ++p) {
        auto const v = mesh.point_position(p);
        s.positions.insert(s.positions.end(), {float(v.x), float(v.y), float(v.z)});
        s.point_vacant.push_back(mesh.point_exists(p) ? 0 : 1);
        s.selected_points.insert(mesh.point_selected(p) ? p : VORNSDK::kNoIndex);
    }
    for (VORNSDK::Index f = 0; f < mesh.polygons().slots(); ++f) {
        auto const list = mesh.polygon_vertices(f);
        s.polygons.emplace_back(list.begin(), list.end());
        s.polygon_vacant.push_back(mesh.polygon_exists(f) ? 0 : 1);
        s.selected_polygons.insert(mesh.polygon_selected(f) ? f : VORNSDK::kNoIndex);
        for (std::size_t k = 0; k < list.count; ++k) {
            VORNSDK::VertexPair const e = list.edge(k);
            std::uint8_t const flags = (mesh.edge_hard(e) ? 1 : 0) | (mesh.selected_edges().contains(e) ? 2 : 0);
            if (flags)
                s.edges[{std::min(e.v1, e.v2), std::max(e.v1, e.v2)}] = flags;
        }
    }
    s.selected_points.erase(VORNSDK::kNoIndex);
    s.selected_polygons.erase(VORNSDK::kNoIndex);
    return s;
}

// Reads a frame as the page does: a full frame replaces what the client shows of its item, a
// delta patches it. Answers whether it was a delta.
bool apply(std::map<std::string, Shown>& items, std::string const& data)
{
    std::size_t at = 0;
    auto const u32 = [&] {
        std::uint32_t v = 0;
        EXPECT_LE(at + 4, data.size());
        std::memcpy(&v, data.data() + at, 4);
        at += 4;
        return v;
    };
    auto const u32s = [&](std::size_t n) {
        std::vector<std::uint32_t> v(n);
        if (n)
            std::memcpy(v.data(), data.data() + at, 4 * n);
        at += 4 * n;
        return v;
    };
    auto const bytes = [&](std::size_t n) {
        std::vector<std::uint8_t> v(data.begin() + at, data.begin() + at + n);
        at += (n + 3) & ~std::size_t(3);
        return v;
    };
    EXPECT_EQ(u32(), vorn::kGeometryFrameMagic);
    EXPECT_EQ(u32(), 2u);
    auto const name = bytes(u32());
    Shown& s = items[std::string(name.begin(), name.end())];
    s.name.assign(name.begin(), name.end());
    s.revision = u32();
    s.revision |= std::uint64_t(u32()) << 32;
    std::uint32_t const flags = u32();
    bool const delta = flags & 2;
    s.item_selected = flags & 1;
    std::uint32_t const point_slots = u32(), polygon_slots = u32(), np = u32(), nf = u32(), corners = u32(),
                        selected_points = u32(), selected_polygons = u32(), edges = u32();
    if (!delta) {
        EXPECT_EQ(np, point_slots);
        EXPECT_EQ(nf, polygon_slots);
    }
    s.positions.resize(3 * point_slots);
    s.point_vacant.resize(point_slots);
    s.polygons.resize(polygon_slots);
    s.polygon_vacant.resize(polygon_slots);

    std::vector<std::uint32_t> const point_index = delta ? u32s(np) : std::vector<std::uint32_t>();
    std::vector<float> positions(3 * np);
    if (np)
        std::memcpy(positions.data(), data.data() + at, 12 * np);
    at += 12 * np;
    std::vector<std::uint8_t> const point_flags = bytes(np);
    for (std::uint32_t i = 0; i < np; ++i) {
        std::uint32_t const p = delta ? point_index[i] : i;
        std::copy_n(&positions[3 * i], 3, &s.positions[3 * p]);
        s.point_vacant[p] = point_flags[i];
    }
    std::vector<std::uint32_t> const polygon_index = delta ? u32s(nf) : std::vector<std::uint32_t>();
    std::vector<std::uint32_t> const starts = u32s(nf + 1), corner_points = u32s(corners);
    std::vector<std::uint8_t> const polygon_flags = bytes(nf);
    EXPECT_EQ(starts.back(), corners);
    for (std::uint32_t i = 0; i < nf; ++i) {
        std::uint32_t const f = delta ? polygon_index[i] : i;
        s.polygons[f].assign(corner_points.begin() + starts[i], corner_points.begin() + starts[i + 1]);
        s.polygon_vacant[f] = polygon_flags[i];
    }
    auto const as_set = [](std::vector<std::uint32_t> const& v) { return std::set<std::uint32_t>(v.begin(), v.end()); };
    s.selected_points = as_set(u32s(selected_points));
    s.selected_polygons = as_set(u32s(selected_polygons));
    std::vector<std::uint32_t> const ends = u32s(2 * edges);
    std::vector<std::uint8_t> const edge_flags = bytes(edges);
    s.edges.clear();
    for (std::uint32_t e = 0; e < edges; ++e)
        s.edges[{ends[2 * e], ends[2 * e + 1]}] = edge_flags[e];
    EXPECT_EQ(at, data.size());
    return delta;
}

// What one request sent, by kind, in the order it came.
struct Sent {
    std::vector<vorn::Outgoing> all;
    std::vector<std::string> frames; // binary frames for the client asked about
    std::vector<bool> deltas;        // which of them were deltas
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

    // Asks, and applies the frames to what each client shows.
    Sent ask(json request, int client = 1)
    {
        request["id"] = next_id++;
        Sent s = split(protocol->handle(client, request.dump()), client);
        for (auto const& m : s.all)
            if (m.binary) {
                bool const delta = apply(shown[m.client], m.data);
                if (m.client == client)
                    s.deltas.push_back(delta);
            }
        return s;
    }

    // Asks, expecting the request to be granted.
    Sent grant(json const& request, int client = 1)
    {
        Sent s = ask(request, client);
        EXPECT_TRUE(s.reply()["ok"].get<bool>()) << request << ": " << s.reply();
        return s;
    }

    // The item as every client should show it.
    Shown expected(std::string const& name) const
    {
        VORNSDK::Component const item = protocol->session().find_item(name);
        return shown_of(name, *teskar::mesh_of(item), teskar::scene_of(teskar::Kernel::instance().active_scene())->is_selected(item));
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
    std::map<int, std::map<std::string, Shown>> shown; // per client, by item
    int next_id = 1;
};

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
    Shown const before = shown[1]["g"];
    EXPECT_TRUE(before.item_selected);
    EXPECT_EQ(before.polygons.size(), 16u);
    EXPECT_EQ(before, expected("g"));
    grant({{"op", "viewport"}, {"width", 800}, {"height", 600}, {"eye", {0, 5, 0}}, {"target", {0, 0, 0}},
           {"up", {0, 1, 0}}, {"orthographic", true}, {"view_height", 2.5}});

    EXPECT_EQ(grant({{"op", "tool"}, {"name", "InsertLoop"}}).of_type("state")["tool"]["name"], "InsertLoop");
    Sent const hover = grant({{"op", "pointer"}, {"event", "hover"}, {"x", 292}, {"y", 120}});
    EXPECT_TRUE(hover.frames.empty());
    EXPECT_FALSE(hover.of_type("drawing")["entries"].empty());
    Sent const pressed = grant({{"op", "pointer"}, {"event", "press"}, {"x", 292}, {"y", 120}, {"button", 0}});
    Sent const released = grant({{"op", "pointer"}, {"event", "release"}, {"x", 292}, {"y", 120}});
    ASSERT_EQ(pressed.frames.size() + released.frames.size(), 1u);
    EXPECT_GT(shown[1]["g"].polygons.size(), before.polygons.size());
    EXPECT_GT(shown[1]["g"].revision, before.revision);
    EXPECT_EQ(shown[1]["g"], expected("g"));

    Sent const undone = grant({{"op", "undo"}});
    ASSERT_EQ(undone.frames.size(), 1u);
    EXPECT_EQ(shown[1]["g"], expected("g"));
}

// After a small edit of a large grid each client gets a delta of a few KB, and the delta applied
// to what the client showed gives exactly the item's new state, whatever the client had seen.
TEST_F(ServeProtocolTest, SmallEditsOfALargeMeshSendDeltas)
{
    grant({{"op", "hello"}});
    Sent const made = grant({{"op", "new"}, {"kind", "grid"}, {"name", "g"}, {"nx", 300}, {"ny", 300}, {"size", 2}});
    std::size_t const full = made.frames.at(0).size();
    // 40 pixels to a polygon; the middle of the view is a point of the grid.
    grant({{"op", "viewport"}, {"width", 800}, {"height", 600}, {"eye", {0, 5, 0}}, {"target", {0, 0, 0}},
           {"up", {0, 1, 0}}, {"orthographic", true}, {"view_height", 0.1}});
    auto const small_delta = [&](Sent const& s, std::string const& what) {
        ASSERT_EQ(s.frames.size(), 1u) << what;
        EXPECT_TRUE(s.deltas[0]) << what;
        EXPECT_LT(s.frames[0].size(), full / 100) << what;
        for (auto& [client, items] : shown)
            EXPECT_EQ(items["g"], expected("g")) << what << ", client " << client;
    };
    teskar::Mesh const& g = *teskar::mesh_of(protocol->session().find_item("g"));

    grant({{"op", "tool"}, {"name", "InsertLoop"}});
    grant({{"op", "pointer"}, {"event", "hover"}, {"x", 420}, {"y", 302}});
    Sent const pressed = grant({{"op", "pointer"}, {"event", "press"}, {"x", 420}, {"y", 302}, {"button", 0}});
    grant({{"op", "pointer"}, {"event", "release"}, {"x", 420}, {"y", 302}});
    ASSERT_GT(g.polygons().count(), 90000u);
    small_delta(pressed, "insert loop");
    grant({{"op", "drop"}});

    // A second client starts from a full frame of the edited grid; from then on both get deltas.
    EXPECT_FALSE(grant({{"op", "hello"}}, 2).deltas.at(0));
    grant({{"op", "mode"}, {"mode", "polygons"}});
    small_delta(grant({{"op", "click"}, {"x", 420}, {"y", 320}}), "polygon selected");
    ASSERT_EQ(g.selected_polygons().size(), 1u);
    small_delta(grant({{"op", "undo"}}), "selection undone");
    Sent const undone = grant({{"op", "undo"}, {"n", 2}});
    ASSERT_EQ(g.polygons().count(), 90000u) << undone.of_type("state");
    small_delta(undone, "insert loop undone");
    small_delta(grant({{"op", "redo"}, {"n", 2}}, 2), "insert loop redone");

    // Dissolving an edge dissolves its loop, and the points left between two polygons go.
    grant({{"op", "mode"}, {"mode", "edges"}});
    small_delta(grant({{"op", "click"}, {"x", 420}, {"y", 300}}), "edge selected");
    VORNSDK::Index const points = g.points().count();
    small_delta(grant({{"op", "command"}, {"name", "Dissolve"}}), "edge loop dissolved");
    EXPECT_LT(g.points().count(), points);
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
        EXPECT_EQ(split(selected.all, client).frames.size(), 1u);
        EXPECT_EQ(shown[client]["b"].selected_polygons.size(), 6u);
        EXPECT_EQ(shown[client]["b"], expected("b"));
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
    EXPECT_EQ(shown[1]["g"], expected("g"));
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
