#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/notify.h"
#include "vornsdk/parameter.h"
#include "vornsdk/status.h"

namespace VORNSDK {

class Context;

// One attribute of a component, by owner and index. A default-made AttributePtr is invalid:
// it reads as the none parameter and refuses writes.
class VORNSDK_API AttributePtr {
public:
    AttributePtr() = default;
    AttributePtr(Component owner, int index) : owner_(std::move(owner)), index_(index) {}

    bool valid() const;
    Component const& owner() const { return owner_; }
    int index() const { return index_; }
    String name() const;
    Parameter::PType type() const;

    Parameter value() const;
    // Some host attributes are computed; the context carries the arguments of the computation.
    Parameter value(Context const& context) const;

    bool as_bool() const { return value().as_bool(); }
    int as_int() const { return value().as_int(); }
    double as_double() const { return value().as_double(); }
    String as_string() const { return value().as_string(); }
    Vector3i as_Vector3i() const { return value().as_Vector3i(); }
    Vector3d as_Vector3d() const { return value().as_Vector3d(); }
    Vector4f as_Vector4f() const { return value().as_Vector4f(); }
    Matrix4d as_Matrix4d() const { return value().as_Matrix4d(); }
    Component as_ref() const { return value().as_ref(); }

    // Stores the value. With notify set, the owner's attribute listener hears of the change
    // (notification code 3 with the attribute index) and then the attribute's subscribers.
    Status set_value(Parameter const& value, bool notify = true) const;

    // Subscribes to changes of this attribute made with notification.
    Connection connect(Signal::Callback callback) const;

private:
    Component owner_;
    int index_ = -1;
};

} // namespace VORNSDK
