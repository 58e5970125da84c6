#pragma once

#include "teskar/registry.h"

#include "vornsdk/component.h"
#include "vornsdk/string.h"

#include <functional>
#include <string>
#include <vector>

namespace teskar {

// The host's process-wide state: registered types, the application node, the clipboard, the
// messages shown to the user and the scenes. vorn and the tests reach it directly; modules only
// through the SDK functions that forward here.
class Kernel {
public:
    static Kernel& instance();

    Registry& registry() { return registry_; }
    VORNSDK::Component const& app_node();

    void display_message(VORNSDK::String const& text);
    std::vector<std::string> const& messages() const { return messages_; }
    // Called with each message as it is shown (vorn prints them).
    void set_message_sink(std::function<void(std::string const&)> sink) { message_sink_ = std::move(sink); }

    VORNSDK::String const& clipboard() const { return clipboard_; }
    void set_clipboard(VORNSDK::String text) { clipboard_ = std::move(text); }

    bool cursor_visible() const { return cursor_visible_; }
    void set_cursor_visible(bool visible) { cursor_visible_ = visible; }
    // Depth of disable_interactive calls not yet matched by enable_interactive.
    int interactive_suspended() const { return interactive_suspended_; }
    void suspend_interactive(bool suspend) { interactive_suspended_ += suspend ? 1 : -1; }

    VORNSDK::Component const& active_scene() const { return active_scene_; }
    void set_active_scene(VORNSDK::Component scene) { active_scene_ = std::move(scene); }
    int selection_mode() const { return selection_mode_; }
    void set_selection_mode(int mode) { selection_mode_ = mode; }

    // Forgets the session: scenes, messages, clipboard and preferences; keeps registrations.
    void reset_session();

private:
    Kernel();
    Registry registry_;
    VORNSDK::Component app_node_;
    std::vector<std::string> messages_;
    std::function<void(std::string const&)> message_sink_;
    VORNSDK::String clipboard_;
    bool cursor_visible_ = true;
    int interactive_suspended_ = 0;
    VORNSDK::Component active_scene_;
    int selection_mode_ = 8;
};

// Registers the host's own component types (application node, scenes, items, host commands).
void register_host_components(Registry& registry);

} // namespace teskar
