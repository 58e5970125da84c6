#pragma once

#include "vornsdk/api.h"
#include "vornsdk/parameter.h"
#include "vornsdk/string.h"

#include <memory>
#include <utility>
#include <vector>

namespace VORNSDK {

// Tags (key, Parameter) describing a module, a component or an attribute, in insertion order.
class VORNSDK_API Description {
public:
    Description() = default;
    Description(Description const&) = delete;
    Description& operator=(Description const&) = delete;
    virtual ~Description();

    // Adds a tag; a key that is already present gets the new value in its old place.
    void add_tag(AscString const& key, Parameter const& value);
    bool has_tag(AscString const& key) const;
    // The tag's value, or the none parameter when the tag is not set.
    Parameter value(AscString const& key) const;
    Parameter operator[](AscString const& key) const { return value(key); }
    std::vector<std::pair<AscString, Parameter>> const& tags() const { return tags_; }

    static AscString const& category();
    static AscString const& sub_category();
    static AscString const& user_name();
    static AscString const& icon();
    static AscString const& ui_hints();
    static AscString const& help_text();
    static AscString const& ui_type();
    static AscString const& ui_flags();
    static AscString const& ui_stack();
    static AscString const& ui_separator();

private:
    std::vector<std::pair<AscString, Parameter>> tags_;
};

class VORNSDK_API AttributeDescription : public Description {
public:
    AttributeDescription(String name, Parameter::PType type) : name_(std::move(name)), type_(type) {}

    String const& name() const { return name_; }
    Parameter::PType type() const { return type_; }

    void set_default_parameter(Parameter const& p) { default_ = p; }
    void set_min_parameter(Parameter const& p) { min_ = p; }
    void set_max_parameter(Parameter const& p) { max_ = p; }
    void set_step_parameter(Parameter const& p) { step_ = p; }
    Parameter const& default_parameter() const { return default_; }
    Parameter const& min_parameter() const { return min_; }
    Parameter const& max_parameter() const { return max_; }
    Parameter const& step_parameter() const { return step_; }

    // Whether the host's tool panel shows the attribute.
    void set_show_ui(bool show) { show_ui_ = show; }
    bool show_ui() const { return show_ui_; }
    // Whether the host records changes of the attribute in the undo history.
    void set_undoable(bool undoable) { undoable_ = undoable; }
    bool undoable() const { return undoable_; }

private:
    String name_;
    Parameter::PType type_;
    Parameter default_, min_, max_, step_;
    bool show_ui_ = true;
    bool undoable_ = true;
};

class VORNSDK_API ComponentDescription : public Description {
public:
    // Adds an attribute at the end of the list; the pointer stays valid with the description.
    AttributeDescription* add_attribute(String const& name, Parameter::PType type);
    unsigned num_attributes() const { return static_cast<unsigned>(attributes_.size()); }
    AttributeDescription const* attribute(unsigned index) const
    {
        return index < attributes_.size() ? attributes_[index].get() : nullptr;
    }
    // Index of the attribute with this name, or -1.
    int attribute_index(String const& name) const;

    static AscString const& default_tool_keybindings();
    static AscString const& default_keybinding();

private:
    std::vector<std::unique_ptr<AttributeDescription>> attributes_;
};

} // namespace VORNSDK
