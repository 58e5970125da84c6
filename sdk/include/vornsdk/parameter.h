#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/math.h"
#include "vornsdk/string.h"

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace VORNSDK {

class ParameterList;

// A tagged value: attribute values, description tags, notification payloads.
class VORNSDK_API Parameter {
public:
    enum PType : std::uint32_t {
        PT_NONE = 0,
        PT_BOOL = 1,
        PT_INT = 2,
        PT_DOUBLE = 6,
        PT_STRING = 7,
        PT_VECTOR3I = 10,
        PT_VECTOR3D = 13,
        PT_VECTOR4F = 14,
        PT_MATRIX4D = 15,
        PT_LIST = 16,
        PT_TUPLE = 17,
        PT_REFERENCE = 18,
    };

    Parameter() = default;
    Parameter(bool v) : value_(v) {}
    Parameter(int v) : value_(v) {}
    Parameter(double v) : value_(v) {}
    Parameter(String v) : value_(std::move(v)) {}
    Parameter(char const* v) : value_(String(v)) {}
    Parameter(Vector3i v) : value_(v) {}
    Parameter(Vector3d v) : value_(v) {}
    Parameter(Vector4f v) : value_(v) {}
    Parameter(Matrix4d v) : value_(v) {}
    Parameter(StrongReference v) : value_(std::move(v.component)) {}
    Parameter(ParameterList const& list);
    // A tuple of four elements, as used by key binding entries.
    Parameter(Parameter const& a, Parameter const& b, Parameter const& c, Parameter const& d);

    PType get_type() const;
    bool valid() const { return get_type() != PT_NONE; }

    // Numbers convert between bool, int and double; other mismatches give the type's zero value.
    bool as_bool() const;
    int as_int() const;
    double as_double() const;
    String as_string() const;
    Vector3i as_Vector3i() const;
    Vector3d as_Vector3d() const;
    Vector4f as_Vector4f() const;
    Matrix4d as_Matrix4d() const;
    Component as_ref() const;
    // Elements of a list or a tuple; empty for other types.
    std::vector<Parameter> const& as_list() const;

    friend bool operator==(Parameter const& a, Parameter const& b);

private:
    struct Elements {
        std::vector<Parameter> items;
        bool tuple = false;
    };
    std::variant<std::monostate, bool, int, double, String, Vector3i, Vector3d, Vector4f, Matrix4d, Component,
                 std::shared_ptr<Elements const>>
        value_;
};

// An ordered list of parameters; a Parameter made from it has type PT_LIST.
class VORNSDK_API ParameterList {
public:
    ParameterList() = default;
    ParameterList(std::initializer_list<Parameter> items) : items_(items) {}

    void add(Parameter const& p) { items_.push_back(p); }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    Parameter const& operator[](std::size_t i) const { return items_[i]; }
    std::vector<Parameter> const& items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<Parameter> items_;
};

// Name of a type code for messages and listings ("bool", "int", "double", ...).
VORNSDK_API char const* ptype_name(Parameter::PType type);

} // namespace VORNSDK
