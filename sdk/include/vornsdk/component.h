#pragma once

#include "vornsdk/api.h"
#include "vornsdk/string.h"
#include "vornsdk/unique_id.h"

#include <cstdint>
#include <vector>

namespace VORNSDK {

class ComponentData; // the host's record of one component; opaque to modules
class AttributePtr;
class ComponentDescription;
class Plugin;
class Variant;

// Counted handle to a host component. A default-made handle is null (valid() false).
class VORNSDK_API Component {
public:
    Component() noexcept = default;
    explicit Component(ComponentData* data) noexcept; // takes a new reference
    Component(Component const& other) noexcept;
    Component(Component&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
    Component& operator=(Component other) noexcept
    {
        std::swap(data_, other.data_);
        return *this;
    }
    ~Component();

    // Creates a component of a registered type; null for a name that is not registered or when
    // the type's create function fails. The variant, when given, is handed to the new plugin.
    static Component create(String const& type_name, Variant const* init = nullptr);

    bool valid() const noexcept { return data_ != nullptr; }
    explicit operator bool() const noexcept { return valid(); }
    void reset() { *this = Component(); }

    String component_type() const;
    ComponentDescription const* description() const;
    unsigned num_attributes() const;
    AttributePtr attribute(String const& name) const;
    AttributePtr attribute(unsigned index) const;
    AttributePtr operator[](String const& name) const;
    // The interface of the component with this id, or null.
    void* get_interface(UniqueID const& id) const;
    Plugin* plugin() const;
    ComponentData* data() const noexcept { return data_; }
    // Creation order of the component within the process: the host's reference order.
    std::uint64_t serial() const;

    friend bool operator==(Component const& a, Component const& b) { return a.data_ == b.data_; }
    friend bool operator<(Component const& a, Component const& b) { return a.serial() < b.serial(); }

private:
    ComponentData* data_ = nullptr;
};

// A component handle that also reaches attributes by index.
class VORNSDK_API ComponentPtr : public Component {
public:
    ComponentPtr() = default;
    ComponentPtr(Component const& c) : Component(c) {}
    using Component::operator[];
    AttributePtr operator[](unsigned index) const;
    AttributePtr operator[](int index) const;
};

using ComponentList = std::vector<Component>;

// A counted reference to a component, as carried by a Parameter.
struct StrongReference {
    Component component;
};

VORNSDK_API Component create_component(String const& type_name, Variant const* init = nullptr);

template <class I>
I* get_interface(Component const& c)
{
    return c.valid() ? static_cast<I*>(c.get_interface(I::iid())) : nullptr;
}

// A component handle travelling with one of its interfaces; null when the component lacks it.
template <class I>
class ComponentInterfacePtrT {
public:
    ComponentInterfacePtrT() = default;
    explicit ComponentInterfacePtrT(Component c) : component_(std::move(c)), iface_(VORNSDK::get_interface<I>(component_))
    {
        if (!iface_)
            component_.reset();
    }
    ComponentInterfacePtrT(Component c, I* iface) : component_(std::move(c)), iface_(iface) {}

    I* get() const { return iface_; }
    I* operator->() const { return iface_; }
    I& operator*() const { return *iface_; }
    explicit operator bool() const { return iface_ != nullptr; }
    bool valid() const { return iface_ != nullptr; }
    Component const& component() const { return component_; }

private:
    Component component_;
    I* iface_ = nullptr;
};

template <class I>
using ComponentInterfaceReferenceT = ComponentInterfacePtrT<I>;

} // namespace VORNSDK
