#include "framework/description_builder.h"

namespace tolvir {

using namespace VORNSDK;

DescriptionBuilder DescriptionBuilder::category(char const* value) const { return tag(Description::category(), value); }

DescriptionBuilder DescriptionBuilder::sub_category(char const* value) const
{
    return tag(Description::sub_category(), value);
}

DescriptionBuilder DescriptionBuilder::component_user_name(char const* value) const
{
    return tag(Description::user_name(), value);
}

DescriptionBuilder DescriptionBuilder::icon(char const* value) const { return tag(Description::icon(), value); }

DescriptionBuilder DescriptionBuilder::ui_hints(char const* value) const { return tag(Description::ui_hints(), value); }

DescriptionBuilder DescriptionBuilder::tag(AscString const& key, Parameter const& value) const
{
    description_->add_tag(key, value);
    return *this;
}

DescriptionBuilder DescriptionBuilder::attribute(char const* name, Parameter::PType type) const
{
    return DescriptionBuilder(*description_, description_->add_attribute(name, type));
}

DescriptionBuilder DescriptionBuilder::on_attribute(AscString const& key, Parameter const& value) const
{
    if (current_)
        current_->add_tag(key, value);
    return *this;
}

DescriptionBuilder DescriptionBuilder::user_name(char const* value) const
{
    return on_attribute(Description::user_name(), value);
}

DescriptionBuilder DescriptionBuilder::help_text(char const* value) const
{
    return on_attribute(Description::help_text(), value);
}

DescriptionBuilder DescriptionBuilder::ui_flags(Parameter const& value) const
{
    return on_attribute(Description::ui_flags(), value);
}

DescriptionBuilder DescriptionBuilder::ui_stack(Parameter const& condition) const
{
    return on_attribute(Description::ui_stack(), condition);
}

DescriptionBuilder DescriptionBuilder::ui_separator() const { return on_attribute(Description::ui_separator(), true); }

DescriptionBuilder DescriptionBuilder::default_value(Parameter const& value) const
{
    if (current_)
        current_->set_default_parameter(value);
    return *this;
}

DescriptionBuilder DescriptionBuilder::min(Parameter const& value) const
{
    if (current_)
        current_->set_min_parameter(value);
    return *this;
}

DescriptionBuilder DescriptionBuilder::max(Parameter const& value) const
{
    if (current_)
        current_->set_max_parameter(value);
    return *this;
}

DescriptionBuilder DescriptionBuilder::step(Parameter const& value) const
{
    if (current_)
        current_->set_step_parameter(value);
    return *this;
}

DescriptionBuilder DescriptionBuilder::show_ui(bool show) const
{
    if (current_)
        current_->set_show_ui(show);
    return *this;
}

DescriptionBuilder DescriptionBuilder::undoable(bool undoable) const
{
    if (current_)
        current_->set_undoable(undoable);
    return *this;
}

DescriptionBuilder DescriptionBuilder::button_group(ParameterList const& labels) const
{
    return on_attribute(Description::ui_type(), "button_group").ui_flags(Parameter(labels));
}

DescriptionBuilder DescriptionBuilder::combo_box(ParameterList const& choices) const
{
    return on_attribute(Description::ui_type(), "combo_box").ui_flags(Parameter(choices));
}

Parameter shown_when(char const* attribute, int value) { return Parameter(ParameterList{attribute, value}); }

} // namespace tolvir
