#pragma once

#include "vornsdk/draw.h"
#include "vornsdk/input.h"
#include "vornsdk/math.h"

namespace tolvir {

// What a dragger reports for one pointer event: the change since the previous event and since
// the press, as a scalar and as a vector.
struct DragValue {
    double step = 0;
    VORNSDK::Vector3d step_vector;
    double total = 0;
    VORNSDK::Vector3d total_vector;
};

// Follows the pointer for the length of one drag and turns each pointer event into a DragValue.
// The tool framework feeds it every move (track), lets it draw its guides and deletes it on
// release.
class Dragger {
public:
    explicit Dragger(VORNSDK::InputDeviceState const& press);
    Dragger(Dragger const&) = delete;
    Dragger& operator=(Dragger const&) = delete;

    // The value for the current event (already stored).
    virtual DragValue drag() = 0;
    // The dragger's guides during the drag.
    virtual void feedback(VORNSDK::DrawInterface& draw) = 0;
    virtual ~Dragger();

    // Stores the event as the current one, computes its value and keeps it as the last value;
    // the event then becomes the previous one.
    DragValue const& track(VORNSDK::InputDeviceState const& event);
    // Draws the guides unless tracking display is off here or in the application's "DisplayTracking".
    void draw(VORNSDK::DrawInterface& draw);
    void set_tracking_display(bool on) { tracking_display_ = on; }
    DragValue const& last_value() const { return last_; }

protected:
    VORNSDK::InputDeviceState start_, previous_, current_;
    DragValue last_;
    bool tracking_display_ = true;
};

// Follows the pointer along a 3-D line: values are parameters and points of the line closest to
// the pointer's view ray.
class LineDragger : public Dragger {
public:
    // With normalise, p1 is moved to p0 + unit(p1 - p0), so parameters are world distances.
    // With relative_to_press, totals count from the press point instead of from p0.
    LineDragger(VORNSDK::InputDeviceState const& press, VORNSDK::Vector3d const& p0, VORNSDK::Vector3d const& p1,
                bool normalise, bool relative_to_press);
    DragValue drag() override;
    void feedback(VORNSDK::DrawInterface& draw) override;

private:
    VORNSDK::Vector3d p0_, p1_;
    bool relative_to_press_;
};

// Follows the pointer in the plane through an origin parallel to the screen; vectors are given
// in the axes of a frame.
class ScreenDragger : public Dragger {
public:
    ScreenDragger(VORNSDK::InputDeviceState const& press, VORNSDK::Vector3d const& origin,
                  VORNSDK::Matrix4d const& frame);
    DragValue drag() override;
    void feedback(VORNSDK::DrawInterface& draw) override;

private:
    VORNSDK::Vector3d origin_;
    VORNSDK::Matrix4d frame_, inverse_frame_;
    double depth_ = 0;
    int locked_axis_ = -1;
};

// Reports raw pointer motion in pixels.
class ScreenDragger2d : public Dragger {
public:
    explicit ScreenDragger2d(VORNSDK::InputDeviceState const& press);
    DragValue drag() override;
    void feedback(VORNSDK::DrawInterface&) override {}

private:
    int locked_axis_ = -1;
};

} // namespace tolvir
