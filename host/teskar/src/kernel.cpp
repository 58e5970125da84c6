#include "teskar/kernel.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"

#include <cstdlib>
#include <limits>
#include <malloc.h>

namespace teskar {

using namespace VORNSDK;

Kernel& Kernel::instance()
{
    static Kernel kernel;
    return kernel;
}

Kernel::Kernel()
{
    // Large edits allocate and free big buffers over and over (journals, mesh arrays); keeping
    // freed memory in the process spares the page faults of fetching it anew from the system.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    register_host_components(registry_);
}

Component const& Kernel::app_node()
{
    if (!app_node_)
        app_node_ = Component::create("Application");
    return app_node_;
}

void Kernel::display_message(String const& text)
{
    messages_.push_back(text.to_utf8());
    if (message_sink_)
        message_sink_(messages_.back());
}

void Kernel::reset_session()
{
    messages_.clear();
    clipboard_ = String();
    cursor_visible_ = true;
    interactive_suspended_ = 0;
    app_node_.reset();
    active_scene_.reset();
    selection_mode_ = 8;
}

} // namespace teskar

namespace VORNSDK {

Component app_node() { return teskar::Kernel::instance().app_node(); }

void display_message(String const& text) { teskar::Kernel::instance().display_message(text); }

void show_cursor(bool visible) { teskar::Kernel::instance().set_cursor_visible(visible); }

void disable_interactive() { teskar::Kernel::instance().suspend_interactive(true); }

void enable_interactive() { teskar::Kernel::instance().suspend_interactive(false); }

void clear_motion_cache() {}

String clipboard_text() { return teskar::Kernel::instance().clipboard(); }

void set_clipboard(String const& text) { teskar::Kernel::instance().set_clipboard(text); }

void* teskar_malloc(std::size_t size) { return std::malloc(size ? size : 1); }

void teskar_free(void* memory) { std::free(memory); }

} // namespace VORNSDK
