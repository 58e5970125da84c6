#include "teskar/registry.h"

#include "vornsdk/description.h"
#include "vornsdk/scene.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" int initialize_module(VORNSDK::PluginModuleRegistrar&);

namespace VORNSDK {

// Readable failure messages for description values.
void PrintTo(Parameter const& p, std::ostream* os)
{
    *os << ptype_name(p.get_type());
    switch (p.get_type()) {
    case Parameter::PT_BOOL: *os << ' ' << p.as_bool(); break;
    case Parameter::PT_INT: *os << ' ' << p.as_int(); break;
    case Parameter::PT_DOUBLE: *os << ' ' << p.as_double(); break;
    case Parameter::PT_STRING: *os << " \"" << p.as_string().to_utf8() << '"'; break;
    case Parameter::PT_LIST:
    case Parameter::PT_TUPLE: {
        char const* separator = " [";
        for (Parameter const& e : p.as_list()) {
            *os << separator;
            PrintTo(e, os);
            separator = ", ";
        }
        *os << (p.as_list().empty() ? " []" : "]");
        break;
    }
    default: break;
    }
}

} // namespace VORNSDK

namespace {

using namespace VORNSDK;

enum class Kind { Command, Tool };

struct ComponentRow {
    char const* name;
    Kind kind;
    char const* sub_category;
    char const* user_name;
    char const* icon; // null: no icon
    char const* ui_hints; // null: not set
    bool hidden = false;
};

struct AttributeRow {
    char const* name;
    Parameter::PType type;
    char const* user_name = nullptr;
    Parameter default_value = {}, min = {}, max = {}, step = {};
    Parameter ui_flags = {}; // the button labels of a button group or combo box
    char const* ui_type = nullptr;
    Parameter ui_stack = {};
    bool show_ui = true;
    bool undoable = true;
};

using Binding = std::array<char const*, 3>; // action, key, trigger

Parameter labels(ParameterList const& list) { return Parameter(list); }

std::string text(Parameter const& p) { return p.as_string().to_utf8(); }

class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest() { initialize_module(registrar_); }

    teskar::ComponentType const& type(char const* name) const
    {
        teskar::ComponentType const* found = registry_.find(String(name));
        if (!found)
            throw std::runtime_error(std::string("not registered: ") + name);
        return *found;
    }

    void expect_attributes(char const* component, std::vector<AttributeRow> const& rows) const
    {
        ComponentDescription const& d = type(component).description;
        ASSERT_EQ(d.num_attributes(), rows.size()) << component;
        for (unsigned i = 0; i < rows.size(); ++i) {
            AttributeRow const& row = rows[i];
            AttributeDescription const& a = *d.attribute(i);
            SCOPED_TRACE(std::string(component) + "." + row.name);
            EXPECT_EQ(a.name().to_utf8(), row.name);
            EXPECT_EQ(a.type(), row.type);
            EXPECT_EQ(a.value(Description::user_name()), row.user_name ? Parameter(row.user_name) : Parameter());
            EXPECT_EQ(a.default_parameter(), row.default_value);
            EXPECT_EQ(a.min_parameter(), row.min);
            EXPECT_EQ(a.max_parameter(), row.max);
            EXPECT_EQ(a.step_parameter(), row.step);
            EXPECT_EQ(a.value(Description::ui_flags()), row.ui_flags);
            EXPECT_EQ(a.value(Description::ui_type()), row.ui_type ? Parameter(row.ui_type) : Parameter());
            EXPECT_EQ(a.value(Description::ui_stack()), row.ui_stack);
            EXPECT_EQ(a.show_ui(), row.show_ui);
            EXPECT_EQ(a.undoable(), row.undoable);
        }
    }

    teskar::Registry registry_;
    teskar::ModuleRegistrar registrar_{registry_, "tolvir"};
};

TEST_F(RegistrationTest, RegistersEveryComponentInOrderWithItsTags)
{
    using enum Kind;
    std::vector<ComponentRow> const rows = {
        {"Dissolve", Command, "Edit", "Dissolve", "/icons/edit_dissolve.png", "model_tools"},
        {"SetValue", Command, "Edit", "Set Value", "/icons/transform_setvalue.png", "model_tools"},
        {"EdgesOperator", Command, "Command", "EdgesOperator", nullptr, nullptr, true},
        {"HardEdgesPatchCommand", Command, "Surface", "Hard Edge", "/icons/edit_hardedge.png", "model_tools"},
        {"SoftEdgesPatchCommand", Command, "Surface", "Soft Edge", "/icons/edit_softedge.png", "model_tools"},
        {"HardEdgesOutlineCommand", Command, "Surface", "Hard Edge Outline", "/icons/edit_hardedgeoutline.png",
         "surface_tools"},
        {"SoftEdgesOutlineCommand", Command, "Surface", "Soft Edge Outline", "/icons/edit_softedgeoutline.png",
         "model_tools"},
        {"Knife", Tool, "Multiply", "Knife", "/icons/edit_knife.png", nullptr},
        {"Tweak", Tool, "Edit", "Tweak", "/icons/edit_tweak.png", "model_tools"},
        {"LassoSelect", Tool, "Select", "Lasso", "/icons/select_lasso.png", nullptr},
        {"Lasso", Command, "Command", "Lasso", "/icons/select_lasso.png", nullptr, true},
        {"Array", Tool, "Multiply", "Array", "/icons/edit_array.png", nullptr},
        {"Bend", Tool, "Deform", "Bend", "/icons/deform_bend.png", "model_tools"},
        {"Make Circular", Command, "Edit", "Make Circular", "/icons/edit_array.png", nullptr},
        {"Twist", Tool, "Deform", "Twist", "/icons/deform_twist.png", "model_tools"},
        {"Break", Command, "Edit", "Break", "/icons/edit_array.png", nullptr},
        {"InsertLoop", Tool, "Edit", "Insert Loop", "/icons/edit_insertedge.png", "model_tools"},
        {"RemoveEdges", Command, "Edit", "RemoveEdges", nullptr, nullptr},
        {"Hover Extend", Command, "Edit", "Hover Extend", "/icons/edit_flip.png", nullptr},
        {"Hover Loop Remove", Command, "Edit", "Hover Loop Remove", "/icons/edit_flip.png", nullptr},
        {"Hover Loop", Command, "Edit", "Hover Loop", "/icons/edit_flip.png", nullptr},
        {"Hover Flip", Command, "Edit", "Hover Flip", "/icons/edit_flip.png", nullptr},
        {"Hover Delete", Command, "Edit", "Hover Delete", "/icons/edit_array.png", nullptr},
    };

    EXPECT_EQ(text(registrar_.value(Description::user_name())), "TolvirPlugins");
    std::vector<teskar::ComponentType const*> const types = registry_.types("tolvir");
    ASSERT_EQ(types.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ComponentRow const& row = rows[i];
        teskar::ComponentType const& t = *types[i];
        ComponentDescription const& d = t.description;
        SCOPED_TRACE(row.name);
        EXPECT_EQ(t.name.to_utf8(), row.name);
        EXPECT_EQ(t.is_command(), row.kind == Command);
        EXPECT_EQ(t.is_interactive_tool(), row.kind == Tool);
        EXPECT_EQ(text(d.value(Description::sub_category())), row.sub_category);
        EXPECT_EQ(text(d.value(Description::user_name())), row.user_name);
        EXPECT_EQ(d.value(Description::icon()), row.icon ? Parameter(row.icon) : Parameter());
        EXPECT_EQ(d.value(Description::ui_hints()), row.ui_hints ? Parameter(row.ui_hints) : Parameter());
        EXPECT_EQ(d.value("hidden"), row.hidden ? Parameter(true) : Parameter());
        EXPECT_FALSE(d.has_tag(ComponentDescription::default_keybinding()));
    }
}

TEST_F(RegistrationTest, OnlyTheFourKeyedToolsHaveDefaultBindings)
{
    std::vector<std::pair<char const*, std::vector<Binding>>> const keyed = {
        {"InsertLoop",
         {{"IncSlice", "Up", "Moment"},
          {"DecSlice", "Down", "Moment"},
          {"Mirror", "'", "Moment"},
          {"RemoveLoop", "Ctrl", "Moment"},
          {"SlideLoop", "Shift", "Moment"}}},
        {"Knife",
         {{"Add", "Shift+RMB", "Moment"},
          {"Redraw", "RMB", "Moment"},
          {"Remove+", "Up", "Normal"},
          {"Remove-", "Down", "Normal"}}},
        {"Bend", {{"Snaps", "Ctrl", "Sticky"}}},
        {"Twist", {{"Snaps", "Shift", "Sticky"}, {"Mode", "N", "Toggle"}}},
    };

    for (auto const& [name, bindings] : keyed) {
        SCOPED_TRACE(name);
        Parameter const list = type(name).description.value(ComponentDescription::default_tool_keybindings());
        ASSERT_EQ(list.get_type(), Parameter::PT_LIST);
        ASSERT_EQ(list.as_list().size(), bindings.size());
        for (std::size_t i = 0; i < bindings.size(); ++i) {
            auto const& [action, key, trigger] = bindings[i];
            Parameter const entry(Parameter(""), Parameter(action), Parameter(key), Parameter(trigger));
            EXPECT_EQ(list.as_list()[i], entry);
        }
    }

    std::size_t with_bindings = 0;
    for (teskar::ComponentType const* t : registry_.types("tolvir"))
        with_bindings += t->description.has_tag(ComponentDescription::default_tool_keybindings());
    EXPECT_EQ(with_bindings, keyed.size());
}

TEST_F(RegistrationTest, TweakIsNotOfferedInItemMode)
{
    FilterFunction const filter = type("Tweak").filter;
    int const saved = selection_mode();
    set_selection_mode(8);
    EXPECT_FALSE(filter(FilterContext{}));
    set_selection_mode(2);
    EXPECT_TRUE(filter(FilterContext{}));
    set_selection_mode(saved);
}

TEST_F(RegistrationTest, SetValueAttributes)
{
    expect_attributes("SetValue", {
        {.name = "Value", .type = Parameter::PT_DOUBLE, .user_name = "Value", .default_value = 0.0, .step = 0.25},
        {.name = "Axis", .type = Parameter::PT_INT, .user_name = "Tool axis", .default_value = 1,
         .ui_flags = labels({"X", "Y", "Z"}), .ui_type = "button_group"},
    });
    EXPECT_EQ(text(type("SetValue").description.attribute(1)->value(Description::help_text())), "Tool axis");
}

TEST_F(RegistrationTest, InsertLoopAttributesAreHiddenAndNotUndoable)
{
    auto row = [](AttributeRow r) {
        r.show_ui = r.undoable = false;
        return r;
    };
    expect_attributes("InsertLoop", {
        row({.name = "SnapCenter", .type = Parameter::PT_BOOL, .user_name = "Snap to Center", .default_value = false}),
        row({.name = "Stops", .type = Parameter::PT_DOUBLE, .user_name = "Stopper", .default_value = 0.0,
             .min = 0.0, .max = 0.5}),
        row({.name = "flow", .type = Parameter::PT_BOOL, .user_name = "Flow Constrain", .default_value = false}),
        row({.name = "Stops2", .type = Parameter::PT_DOUBLE, .user_name = "StopperD", .default_value = 0.0,
             .min = 0.0, .max = 0.5}),
        row({.name = "Edge", .type = Parameter::PT_STRING, .user_name = "Current Edge"}),
        row({.name = "Cut", .type = Parameter::PT_DOUBLE, .user_name = "Cut", .min = 0, .max = 1, .step = 0.05}),
        row({.name = "Slices", .type = Parameter::PT_INT, .user_name = "Slices", .default_value = 1, .min = 1}),
        row({.name = "Mirror", .type = Parameter::PT_BOOL, .user_name = "Mirror", .default_value = false}),
        row({.name = "Absolute", .type = Parameter::PT_BOOL, .user_name = "Absolute", .default_value = false}),
    });
}

TEST_F(RegistrationTest, KnifeAttributes)
{
    expect_attributes("Knife", {
        {.name = "Start", .type = Parameter::PT_VECTOR3D, .user_name = "Start Position", .ui_flags = 1,
         .undoable = false},
        {.name = "End", .type = Parameter::PT_VECTOR3D, .user_name = "End Position", .ui_flags = 1, .undoable = false},
        {.name = "Origin", .type = Parameter::PT_VECTOR3D, .user_name = "Origin - to be hidden", .show_ui = false,
         .undoable = false},
        {.name = "Grid", .type = Parameter::PT_BOOL, .user_name = "Grid Snap", .default_value = false,
         .show_ui = false, .undoable = false},
        {.name = "Remove", .type = Parameter::PT_INT, .user_name = "Remove", .default_value = 0,
         .ui_flags = labels({"None", "Side A", "Side B", "Separate"}), .ui_type = "button_group", .undoable = false},
    });
}

TEST_F(RegistrationTest, ArrayAttributesShowOnlyForTheirLayout)
{
    Parameter const linear = Parameter(ParameterList{"ArrayType", 0});
    Parameter const radial = Parameter(ParameterList{"ArrayType", 1});
    expect_attributes("Array", {
        {.name = "ArrayElement", .type = Parameter::PT_INT, .user_name = "Array Elements", .default_value = 0,
         .ui_flags = labels({"Mesh", "Instance", "Copy"}), .ui_type = "button_group"},
        {.name = "ArrayType", .type = Parameter::PT_INT, .user_name = "Array type", .default_value = 0,
         .ui_flags = labels({"linear", "radial"}), .ui_type = "button_group"},
        {.name = "gizmo", .type = Parameter::PT_BOOL, .user_name = "Show Gizmo", .default_value = true,
         .ui_stack = radial},
        {.name = "axis", .type = Parameter::PT_INT, .user_name = "Axis", .default_value = 1,
         .ui_flags = labels({"X", "Y", "Z"}), .ui_type = "button_group", .ui_stack = radial},
        {.name = "nrad", .type = Parameter::PT_INT, .user_name = "Number Radial", .default_value = 8,
         .ui_stack = radial},
        {.name = "angle", .type = Parameter::PT_DOUBLE, .user_name = "Angle", .default_value = 6.283185307179586,
         .step = 0.05, .ui_flags = 2, .ui_stack = radial},
        {.name = "overt", .type = Parameter::PT_DOUBLE, .user_name = "Offset Vertical", .default_value = 0.0,
         .step = 0.5, .ui_flags = 1, .ui_stack = radial},
        {.name = "origin", .type = Parameter::PT_VECTOR3D, .user_name = "Origin", .default_value = Vector3d{},
         .step = 0.5, .ui_stack = radial},
        {.name = "Number", .type = Parameter::PT_VECTOR3I, .user_name = "Number", .default_value = Vector3i{3, 0, 0},
         .step = 1, .ui_stack = linear},
        {.name = "Distance", .type = Parameter::PT_VECTOR3D, .user_name = "Distance", .default_value = Vector3d{},
         .step = 0.5, .ui_flags = 1, .ui_stack = linear},
        {.name = "disttype", .type = Parameter::PT_INT, .user_name = "Distance Use", .default_value = 0,
         .ui_flags = labels({"Gap", "Offset", "Total", "Between"}), .ui_type = "button_group", .ui_stack = linear},
    });

    // A separator opens each layout's group of settings.
    ComponentDescription const& d = type("Array").description;
    for (unsigned i = 0; i < d.num_attributes(); ++i) {
        std::string const name = d.attribute(i)->name().to_utf8();
        EXPECT_EQ(d.attribute(i)->has_tag(Description::ui_separator()), name == "gizmo" || name == "Number") << name;
    }
}

} // namespace
