#include "cut_select_tools/lasso.h"

#include "cut_select_tools/lasso_apply.h"
#include "framework/description_builder.h"
#include "framework/registration.h"

#include "vornsdk/draw.h"
#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <algorithm>
#include <cmath>

namespace tolvir {

using namespace VORNSDK;

bool LassoSelect::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Select")
        .component_user_name("Lasso")
        .icon("/icons/select_lasso.png")
        .attribute("ex", Parameter::PT_BOOL)
        .user_name("Exclusive Select?")
        .default_value(true)
        .attribute("meshes", Parameter::PT_BOOL)
        .user_name("Meshes")
        .default_value(true)
        .attribute("cameras", Parameter::PT_BOOL)
        .user_name("Cameras")
        .default_value(false)
        .attribute("lights", Parameter::PT_BOOL)
        .user_name("Lights")
        .default_value(false)
        .attribute("shape", Parameter::PT_INT)
        .user_name("Shape")
        .default_value(0)
        .help_text("Lasso shape")
        .combo_box({"Freeform", "Marquee", "Radial"});
    return true;
}

bool LassoCommand::describe(ComponentDescription& description)
{
    // Recorded and replayed lasso selections are to run it; the user draws with LassoSelect instead.
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Command")
        .component_user_name("Lasso")
        .icon("/icons/select_lasso.png")
        .tag("hidden", true)
        .attribute("SelectionStyle", Parameter::PT_STRING)
        .user_name("Selection Style")
        .default_value("Exclusive")
        .combo_box({"Exclusive", "Add", "Subtract"})
        .attribute("Viewport", Parameter::PT_REFERENCE)
        .user_name("Viewport")
        .attribute("Points", Parameter::PT_LIST)
        .user_name("Points")
        .default_value(ParameterList());
    return true;
}

namespace {

// The viewport an event happened in, or the active one for drawing outside events.
Component event_viewport(InputRecord const& input)
{
    return input.state.viewport ? input.state.viewport : app_node()["ActiveViewport"].as_ref();
}

Vector3d pointer_point(InputRecord const& input)
{
    return {input.state.pointer_x(), input.state.pointer_y(), 1.0};
}

} // namespace

void LassoSelect::set_color(DrawInterface& draw, float alpha) const
{
    if (subtract_)
        draw.set_color(1.0f, 0.0f, 0.0f, alpha);
    else
        draw.set_color(0.0f, 0.6f, 1.0f, alpha);
}

void LassoSelect::on_draw_first(DrawInterface& draw)
{
    auto const* view = get_interface<ViewportInterface>(event_viewport(current_input()));
    if (!view || shape_ != kMarquee || points_.size() != 4)
        return;
    auto const at = [&](std::size_t i) { return view->unproject({points_[i].x, points_[i].y, 0}); };
    set_color(draw, 0.1f);
    draw.draw_quad(at(0), at(1), at(2), at(3));
}

void LassoSelect::on_draw(DrawInterface& draw)
{
    auto const* view = get_interface<ViewportInterface>(event_viewport(current_input()));
    if (!view || shape_ == kMarquee || points_.size() < 3)
        return;
    set_color(draw, 0.5f);
    Vector3d previous = view->unproject({points_.back().x, points_.back().y, 0});
    for (Vector3d const& p : points_) {
        Vector3d const w = view->unproject({p.x, p.y, 0});
        draw.draw_line(previous, w);
        previous = w;
    }
}

bool LassoSelect::on_button_pressed(InputRecord const& input)
{
    shape_ = std::clamp(attribute("shape").as_int(), kFreeform, kRadial);
    points_.clear();
    subtract_ = input.state.modifiers.test(kModifierShift);
    start_ = pointer_point(input);
    if (input.state.button == kButtonRight)
        shape_ = kMarquee;
    if (shape_ == kMarquee)
        points_.assign(4, start_);
    else if (shape_ == kRadial)
        points_.assign(kRadialPoints, start_);
    return true;
}

void LassoSelect::on_pointer_moved(InputRecord const& input, float, float, bool button_down)
{
    if (!button_down)
        return;
    Vector3d const c = pointer_point(input);
    if (shape_ == kFreeform) {
        if (points_.empty() || length(c - points_.back()) > 1.0)
            points_.push_back(c);
    } else if (shape_ == kMarquee && points_.size() == 4) {
        points_[1] = {c.x, start_.y, 1.0};
        points_[2] = c;
        points_[3] = {start_.x, c.y, 1.0};
    } else if (shape_ == kRadial && points_.size() == kRadialPoints) {
        double const r = length(c - start_);
        for (int i = 0; i < kRadialPoints; ++i) {
            double const a = i * 0.17453292519943295;
            points_[std::size_t(i)] = {start_.x + r * std::cos(a) + std::sin(a), start_.y + r * std::sin(a) - std::cos(a), 1.0};
        }
    }
    DirtyRegions::redraw_viewports(active_scene());
}

void LassoSelect::on_button_released(InputRecord const& input)
{
    LassoOptions const options{attribute("meshes").as_bool(), attribute("cameras").as_bool(),
                               attribute("lights").as_bool(), subtract_, attribute("ex").as_bool()};
    lasso_apply(points_, input.state.viewport, options);
    points_.clear();
    // Each lasso is an undo step of its own, as a click of a selection would be.
    renew_transaction();
    DirtyRegions::redraw_viewports(active_scene());
}

void LassoSelect::reapply() {}

void LassoSelect::handle_attribute_change(std::uint32_t) {}

bool LassoSelect::v_execute(Context&)
{
    display_message("Lasso selects with a shape drawn in a viewport; the Lasso command replays a stored one");
    return false;
}

bool LassoCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    auto* mesh = get_interface<MeshInterface>(item.component());
    if (!mesh)
        return true;
    Component const viewport = attribute("Viewport").as_ref();
    if (!get_interface<ViewportInterface>(viewport))
        return true;
    std::vector<Vector3d> outline;
    for (Parameter const& p : attribute("Points").value().as_list())
        outline.push_back(p.as_Vector3d());
    String const style = attribute("SelectionStyle").as_string();
    MeshEditContext const edit(mesh, component());
    int const mode = selection_mode();
    if (style == String("Exclusive") && mode >= kSelectPoints && mode <= kSelectPolygons)
        mesh->select_all(mode, false);
    lasso_apply(outline, viewport, LassoOptions{true, false, false, style == String("Subtract"), false});
    return true;
}

Status register_lasso(PluginModuleRegistrar& registrar)
{
    register_component_class<LassoSelect>(registrar, "LassoSelect");
    register_component_class<LassoCommand>(registrar, "Lasso");
    return Status(0);
}

} // namespace tolvir
