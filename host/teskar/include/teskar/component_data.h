#pragma once

#include "vornsdk/attribute.h"
#include "vornsdk/context.h"
#include "vornsdk/notify.h"
#include "vornsdk/parameter.h"
#include "vornsdk/plugin.h"

#include <atomic>
#include <memory>
#include <vector>

namespace teskar {
struct ComponentType;
}

namespace VORNSDK {

// The host's record of one component: its type, its attribute values, its plugin and the
// subscribers of its attributes. Handles (Component) count references to it.
class ComponentData {
public:
    ComponentData(teskar::ComponentType const& type, Plugin* plugin);
    ComponentData(ComponentData const&) = delete;
    ComponentData& operator=(ComponentData const&) = delete;
    ~ComponentData();

    void retain() noexcept { ++refs_; }
    void release() noexcept;

    teskar::ComponentType const& type() const { return type_; }
    Plugin* plugin() const { return plugin_; }
    std::uint64_t serial() const { return serial_; }
    unsigned num_attributes() const { return static_cast<unsigned>(values_.size()); }
    int attribute_index(String const& name) const;

    Parameter value(int index, Context const* context) const;
    // Stores a value converted to the attribute's type and clamped to its limits; with notify,
    // tells the plugin's attribute listener and the attribute's subscribers.
    Status set_value(int index, Parameter const& value, bool notify);
    Connection connect(int index, Signal::Callback callback);

private:
    std::atomic<int> refs_{0};
    teskar::ComponentType const& type_;
    Plugin* plugin_;
    std::uint64_t serial_;
    std::vector<Parameter> values_;
    std::vector<std::unique_ptr<Signal>> signals_;
};

} // namespace VORNSDK

namespace teskar {

// Host plugins whose attributes are computed on reading answer this interface.
class AttributeProvider {
public:
    VORNSDK_INTERFACE_ID("a7d0c4e2-3b51-4e8f-9a60-1c2d3e4f5a01")
    virtual ~AttributeProvider() = default;
    // The value of attribute index, or the none parameter to read the stored value.
    virtual VORNSDK::Parameter read_attribute(int index, VORNSDK::Context const* context) const = 0;
};

} // namespace teskar
