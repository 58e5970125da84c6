#pragma once

#include "teskar/mesh.h"
#include "teskar/scene.h"
#include "teskar/viewport.h"

#include "vornsdk/attribute.h"
#include "vornsdk/component.h"
#include "vornsdk/parameter.h"
#include "vornsdk/picking.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorn {

// An operation that cannot run; the session is left as it was before it.
struct SessionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A value for a component's attribute by name. text is how the value was written, which the
// message of a refused value repeats.
struct Assignment {
    std::string key;
    VORNSDK::Parameter value;
    std::string text;
};

// The component's attribute called key, or SessionError "WHAT has no attribute 'KEY'".
VORNSDK::AttributePtr attribute_of(VORNSDK::Component const& c, std::string const& key, std::string const& what);

// The modifier keys held during a pointer event.
struct Modifiers {
    bool shift = false, ctrl = false, alt = false;
};

// One modelling session: a scene with its undo history, one viewport and its camera, the tool
// handler's state (the active tool, the pointer, the held button) and the messages the components
// show. Front ends (scripts, and whatever else drives vorn) call these typed operations; each one
// either does all it says or throws SessionError and changes nothing.
//
// The kernel holds one scene, history and tool handler per process, so a session takes them over
// when made (a fresh empty scene, item selection mode, an empty history, default preferences, its
// viewport the active one, no active tool): keep one alive at a time. Destroying it drops a tool
// still active; the scene stays active afterwards.
class Session {
public:
    using Notice = std::function<void(std::string const&)>;

    // message receives what the components show, warning what the session notices without failing.
    Session(Notice message, Notice warning);
    ~Session();
    Session(Session const&) = delete;
    Session& operator=(Session const&) = delete;

    // Refuses a name that no new item may take: empty, or taken by an item of the scene.
    void check_new_name(std::string const& name) const;
    // New items: each is one undo step and becomes the only selected item.
    void new_grid(std::string const& name, int nx, int ny, double size);
    void new_box(std::string const& name, double size);
    void new_tube(std::string const& name, int segments, int rings, double radius, double height);

    // Files by extension (.obj, .mesh). load names the item after the file's stem unless name is
    // given; save writes the named item, or the first selected one.
    void load(std::string const& path, std::optional<std::string> const& name);
    void save(std::string const& path, std::optional<std::string> const& name) const;

    // Selection. select_items leaves exactly the named items selected (none for no names).
    void select_items(std::vector<std::string> const& names);
    void set_mode(int mode);
    // Every element of the current mode (items in item mode) selected when all, else none; on
    // false deselects instead, where deselecting none does nothing.
    void select_whole(bool on, bool all);
    // Points or polygons of the first selected item by index; every index is checked first.
    void select_points(std::vector<VORNSDK::Index> const& indices, bool on);
    void select_polygons(std::vector<VORNSDK::Index> const& indices, bool on);
    void select_edges(std::vector<VORNSDK::VertexPair> const& edges, bool on);
    // A click at viewport pixel (x, y), picked as the host picks, selecting in the current mode:
    // the element (or item) under it alone; with shift added, or removed when already selected;
    // with ctrl removed. A plain click on nothing deselects the mode's whole selection; a click
    // with modifiers on nothing does nothing. In element modes the hit item joins the item
    // selection, so that the tools that act on selected items reach it. One undo step.
    void click_select(double x, double y, bool shift, bool ctrl);

    // One-shot commands: command makes one, checked to be runnable; run_command stores the values
    // (without notifying, so a tool run as a command does not re-apply on each) and runs it as one
    // undo step, which a failure rolls back.
    VORNSDK::Component command(std::string const& name) const;
    void run_command(VORNSDK::Component const& command, std::vector<Assignment> const& assignments);

    // Interactive tools: tool makes one, checked to be offered in the current mode and scene;
    // activate_tool stores the values before the tool starts.
    VORNSDK::Component tool(std::string const& name) const;
    void activate_tool(VORNSDK::Component const& tool, std::vector<Assignment> const& assignments);
    void drop_tool();
    // The active tool, or SessionError when there is none.
    VORNSDK::Component active_tool() const;
    // Each store notifies the tool, which re-applies.
    void set_tool_attributes(std::vector<Assignment> const& assignments);
    VORNSDK::Parameter tool_attribute(std::string const& key) const;

    // Pointer events for the active tool at viewport coordinates. press holds button (left when
    // none is given) until release; hover needs no button held, drag and release need one.
    void hover(double x, double y, Modifiers modifiers);
    void press(double x, double y, std::optional<int> button, Modifiers modifiers);
    void drag(double x, double y, Modifiers modifiers);
    void release(double x, double y, Modifiers modifiers);
    // Whether a press holds a button for the active tool.
    bool button_held() const { return held_button_ >= 0; }
    // Moves the viewport's pointer without an event, for commands that act under the pointer.
    void set_pointer(double x, double y);
    // An action of the active tool's key bindings, by its name or by its key.
    void action(std::string const& name, bool released);
    void key(std::string const& key, bool released);

    // Preferences of the application.
    VORNSDK::AttributePtr preference(std::string const& key) const;
    void set_preference(Assignment const& assignment);

    // The viewport, its size and camera; the camera's numbers must make a usable view.
    VORNSDK::Component viewport() const { return viewport_; }
    teskar::Camera camera() const;
    void set_viewport_size(int width, int height);
    void set_camera(teskar::Camera const& camera);
    // A PNG picture of the scene through the camera, at its size unless another is given.
    void render(std::string const& path, std::optional<std::pair<int, int>> size) const;

    // n steps of the history; refused when fewer are available.
    void undo(std::size_t n);
    void redo(std::size_t n);

    // What the scene holds, as scene_items and item_info describe.
    std::vector<nlohmann::ordered_json> tree() const;
    nlohmann::ordered_json info(std::optional<std::string> const& name) const;
    VORNSDK::Component find_item(std::string const& name) const;
    std::vector<std::string> messages() const;
    std::string clipboard() const;

private:
    VORNSDK::Component first_selected() const;
    void add_to_scene(VORNSDK::Component const& item, std::vector<VORNSDK::Component> const& materials, char const* step);
    void select_elements(std::vector<VORNSDK::Index> const& indices, bool points, bool on);
    void click_item(VORNSDK::Component const& item, bool shift, bool ctrl);
    void click_element(VORNSDK::PickRecord const& pick, int mode, bool shift, bool ctrl);
    void clear_elements(int mode);
    enum class PointerEvent { Move, Press, Release };
    void pointer_event(PointerEvent event, double x, double y, int held, Modifiers modifiers);
    void send_action(std::string const& action, bool released);
    void walk_history(bool undo, std::size_t n);
    teskar::Viewport& view() const;

    Notice warning_;
    VORNSDK::Component scene_component_;
    teskar::Scene* scene_ = nullptr;
    VORNSDK::Component viewport_;
    // The button held since a press, or -1.
    int held_button_ = -1;
};

} // namespace vorn
