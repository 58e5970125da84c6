#pragma once

#include "vornsdk/description.h"
#include "vornsdk/parameter.h"

namespace tolvir {

// Chains the statements of a describe function: each call adds one tag or attribute and returns
// the builder. Attribute calls act on the attribute added last and do nothing before the first.
class DescriptionBuilder {
public:
    explicit DescriptionBuilder(VORNSDK::ComponentDescription& description,
                                VORNSDK::AttributeDescription* current = nullptr)
        : description_(&description), current_(current)
    {
    }

    // Component tags.
    DescriptionBuilder category(char const* value) const;
    DescriptionBuilder sub_category(char const* value) const;
    DescriptionBuilder component_user_name(char const* value) const;
    DescriptionBuilder icon(char const* value) const;
    DescriptionBuilder ui_hints(char const* value) const;
    DescriptionBuilder tag(VORNSDK::AscString const& key, VORNSDK::Parameter const& value) const;

    // Adds an attribute, which becomes the current one.
    DescriptionBuilder attribute(char const* name, VORNSDK::Parameter::PType type) const;

    // Tags and limits of the current attribute.
    DescriptionBuilder user_name(char const* value) const;
    DescriptionBuilder help_text(char const* value) const;
    DescriptionBuilder ui_flags(VORNSDK::Parameter const& value) const;
    DescriptionBuilder ui_stack(VORNSDK::Parameter const& condition) const;
    DescriptionBuilder ui_separator() const;
    DescriptionBuilder default_value(VORNSDK::Parameter const& value) const;
    DescriptionBuilder min(VORNSDK::Parameter const& value) const;
    DescriptionBuilder max(VORNSDK::Parameter const& value) const;
    DescriptionBuilder step(VORNSDK::Parameter const& value) const;
    DescriptionBuilder show_ui(bool show) const;
    DescriptionBuilder undoable(bool undoable) const;
    // ui_type "button_group" with the button labels as ui_flags; the value is the label's index.
    DescriptionBuilder button_group(VORNSDK::ParameterList const& labels) const;
    // ui_type "combo_box" with the choices as ui_flags.
    DescriptionBuilder combo_box(VORNSDK::ParameterList const& choices) const;

    VORNSDK::ComponentDescription& description() const { return *description_; }
    VORNSDK::AttributeDescription* current() const { return current_; }

private:
    DescriptionBuilder on_attribute(VORNSDK::AscString const& key, VORNSDK::Parameter const& value) const;

    VORNSDK::ComponentDescription* description_;
    VORNSDK::AttributeDescription* current_;
};

// The "ui_stack" condition that shows an attribute only while another has a given value.
VORNSDK::Parameter shown_when(char const* attribute, int value);

} // namespace tolvir
