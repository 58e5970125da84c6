#include "vornsdk/description.h"

#include <algorithm>

namespace VORNSDK {

Description::~Description() = default;

void Description::add_tag(AscString const& key, Parameter const& value)
{
    auto it = std::find_if(tags_.begin(), tags_.end(), [&](auto const& t) { return t.first == key; });
    if (it != tags_.end())
        it->second = value;
    else
        tags_.emplace_back(key, value);
}

bool Description::has_tag(AscString const& key) const
{
    return std::any_of(tags_.begin(), tags_.end(), [&](auto const& t) { return t.first == key; });
}

Parameter Description::value(AscString const& key) const
{
    for (auto const& [k, v] : tags_)
        if (k == key)
            return v;
    return Parameter();
}

#define VORNSDK_TAG_KEY(cls, fn, text)      \
    AscString const& cls::fn()              \
    {                                       \
        static AscString const key(text);   \
        return key;                         \
    }

VORNSDK_TAG_KEY(Description, category, "category")
VORNSDK_TAG_KEY(Description, sub_category, "sub_category")
VORNSDK_TAG_KEY(Description, user_name, "user_name")
VORNSDK_TAG_KEY(Description, icon, "icon")
VORNSDK_TAG_KEY(Description, ui_hints, "ui_hints")
VORNSDK_TAG_KEY(Description, help_text, "help_text")
VORNSDK_TAG_KEY(Description, ui_type, "ui_type")
VORNSDK_TAG_KEY(Description, ui_flags, "ui_flags")
VORNSDK_TAG_KEY(Description, ui_stack, "ui_stack")
VORNSDK_TAG_KEY(Description, ui_separator, "ui_separator")
VORNSDK_TAG_KEY(ComponentDescription, default_tool_keybindings, "default_tool_keybindings")
VORNSDK_TAG_KEY(ComponentDescription, default_keybinding, "default_keybinding")

#undef VORNSDK_TAG_KEY

AttributeDescription* ComponentDescription::add_attribute(String const& name, Parameter::PType type)
{
    attributes_.push_back(std::make_unique<AttributeDescription>(name, type));
    return attributes_.back().get();
}

int ComponentDescription::attribute_index(String const& name) const
{
    for (std::size_t i = 0; i < attributes_.size(); ++i)
        if (attributes_[i]->name() == name)
            return static_cast<int>(i);
    return -1;
}

} // namespace VORNSDK
