#pragma once

// Bend, Twist and Array under test: the module's tools driven through the host's tool interface
// in the orthographic test viewport (100 pixels per unit, the world origin at pixel (100, 100),
// looking down -z).

#include "manipulator_support.h"

#include "teskar/history.h"
#include "teskar/tool_handler.h"

#include "vornsdk/tool.h"

#include <cmath>

inline void expect_close(VORNSDK::Vector3d const& actual, VORNSDK::Vector3d const& expected, double tolerance = 1e-12)
{
    ::expect_near(actual, expected, tolerance);
}

class DeformerFixture : public manip::ManipulatorFixture {
protected:
    void TearDown() override
    {
        teskar::deactivate_tool();
        ManipulatorFixture::TearDown();
    }

    // A strip 0.2 wide standing from y = 0 to y = height in the x-y plane, in rows of quads.
    void make_strip(double height, int rows)
    {
        for (int j = 0; j <= rows; ++j)
            for (double x : {-0.1, 0.1})
                mesh->add_point({x, height * j / rows, 0.0});
        for (VORNSDK::Index j = 0; j < VORNSDK::Index(rows); ++j)
            mesh->add_polygon({2 * j, 2 * j + 1, 2 * j + 3, 2 * j + 2});
    }

    // Creates and activates a tool through the host's tool handler.
    template <class Tool>
    Tool& start(char const* name)
    {
        tool = VORNSDK::Component::create(name);
        VORNSDK::activate_tool(tool);
        return *dynamic_cast<Tool*>(tool.plugin());
    }
    VORNSDK::InteractiveToolInterface& events() const { return *VORNSDK::get_interface<VORNSDK::InteractiveToolInterface>(tool); }

    VORNSDK::InputDeviceState with_button(double x, double y, int button) const
    {
        VORNSDK::InputDeviceState s = at(x, y);
        s.button = button;
        s.buttons.set(button, true);
        return s;
    }
    // A press at (x, y), a move by dx pixels to the right, and the release there.
    void drag(double x, double y, double dx, int button = VORNSDK::kButtonLeft)
    {
        events().button_pressed(VORNSDK::kEventNormal, with_button(x, y, button));
        VORNSDK::InputDeviceState move = with_button(x + dx, y, button);
        move.button = -1;
        events().pointer_moved(VORNSDK::kEventNormal, move);
        events().button_released(VORNSDK::kEventNormal, with_button(x + dx, y, button));
    }

    VORNSDK::Component tool;
};
