#pragma once

#include "teskar/registry.h"

#include "vornsdk/tool.h"

namespace teskar {

// Keeps the active interactive tool. Taking a tool deactivates the current one and then
// activates the new one. A tool whose activation hands the handler another tool (a tool that
// cannot resume and falls back, say) is replaced by that tool without being deactivated, since
// it never became active.
class ToolHandler : public VORNSDK::ToolHandlerInterface {
public:
    static ToolHandler& instance();

    bool busy() const override { return switching_; }
    void settle() override {}
    // "Select", the host's own tool that does nothing.
    VORNSDK::String fallback_tool() const override;
    void take_tool(VORNSDK::Component const& tool) override;
    VORNSDK::Component active_tool() const override { return active_; }

    // Deactivates the active tool and leaves none active.
    void drop();

private:
    VORNSDK::Component active_;
    VORNSDK::Component pending_;
    bool switching_ = false;
};

// Deactivates the active tool, if any.
void deactivate_tool();

// Registers the "Select" tool and the plain types tools create by name: "TranslateTransform"
// (a transform handed to an item: "Translation", "Pivot", "Action", "RotateX", "RotateY",
// "RotateZ") and "ViewportGrid" ("GridSize").
void register_tool_components(Registry& registry);

} // namespace teskar
