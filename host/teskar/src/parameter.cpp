#include "vornsdk/parameter.h"

#include <type_traits>

namespace VORNSDK {

Parameter::Parameter(ParameterList const& list) : value_(std::make_shared<Elements const>(Elements{list.items(), false}))
{
}

Parameter::Parameter(Parameter const& a, Parameter const& b, Parameter const& c, Parameter const& d)
    : value_(std::make_shared<Elements const>(Elements{{a, b, c, d}, true}))
{
}

Parameter::PType Parameter::get_type() const
{
    static constexpr PType kTypes[] = {PT_NONE, PT_BOOL, PT_INT, PT_DOUBLE, PT_STRING, PT_VECTOR3I,
                                       PT_VECTOR3D, PT_VECTOR4F, PT_MATRIX4D, PT_REFERENCE};
    if (auto const* e = std::get_if<std::shared_ptr<Elements const>>(&value_))
        return (*e)->tuple ? PT_TUPLE : PT_LIST;
    return kTypes[value_.index()];
}

namespace {

// Numeric view of bool, int and double; nullopt for the other types.
template <class V>
bool numeric(V const& v, double& out)
{
    if (auto const* b = std::get_if<bool>(&v))
        out = *b ? 1.0 : 0.0;
    else if (auto const* i = std::get_if<int>(&v))
        out = *i;
    else if (auto const* d = std::get_if<double>(&v))
        out = *d;
    else
        return false;
    return true;
}

} // namespace

bool Parameter::as_bool() const
{
    double d = 0;
    return numeric(value_, d) && d != 0;
}

int Parameter::as_int() const
{
    if (auto const* i = std::get_if<int>(&value_))
        return *i;
    double d = 0;
    if (!numeric(value_, d) || d != d)
        return 0;
    if (d >= 2147483647.0)
        return 2147483647;
    if (d <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(d);
}

double Parameter::as_double() const
{
    double d = 0;
    numeric(value_, d);
    return d;
}

String Parameter::as_string() const
{
    if (auto const* s = std::get_if<String>(&value_))
        return *s;
    return String();
}

Vector3i Parameter::as_Vector3i() const
{
    if (auto const* v = std::get_if<Vector3i>(&value_))
        return *v;
    if (auto const* v = std::get_if<Vector3d>(&value_))
        return {static_cast<int>(v->x), static_cast<int>(v->y), static_cast<int>(v->z)};
    return {};
}

Vector3d Parameter::as_Vector3d() const
{
    if (auto const* v = std::get_if<Vector3d>(&value_))
        return *v;
    if (auto const* v = std::get_if<Vector3i>(&value_))
        return {double(v->x), double(v->y), double(v->z)};
    if (auto const* v = std::get_if<Vector4f>(&value_))
        return {v->x, v->y, v->z};
    return {};
}

Vector4f Parameter::as_Vector4f() const
{
    if (auto const* v = std::get_if<Vector4f>(&value_))
        return *v;
    if (auto const* v = std::get_if<Vector3d>(&value_))
        return {float(v->x), float(v->y), float(v->z), 1.0f};
    return {};
}

Matrix4d Parameter::as_Matrix4d() const
{
    if (auto const* m = std::get_if<Matrix4d>(&value_))
        return *m;
    return Matrix4d::identity();
}

Component Parameter::as_ref() const
{
    if (auto const* c = std::get_if<Component>(&value_))
        return *c;
    return Component();
}

std::vector<Parameter> const& Parameter::as_list() const
{
    static std::vector<Parameter> const kEmpty;
    if (auto const* e = std::get_if<std::shared_ptr<Elements const>>(&value_))
        return (*e)->items;
    return kEmpty;
}

bool operator==(Parameter const& a, Parameter const& b)
{
    if (a.get_type() != b.get_type())
        return false;
    if (a.get_type() == Parameter::PT_LIST || a.get_type() == Parameter::PT_TUPLE)
        return a.as_list() == b.as_list();
    return a.value_ == b.value_;
}

char const* ptype_name(Parameter::PType type)
{
    switch (type) {
    case Parameter::PT_NONE: return "none";
    case Parameter::PT_BOOL: return "bool";
    case Parameter::PT_INT: return "int";
    case Parameter::PT_DOUBLE: return "double";
    case Parameter::PT_STRING: return "string";
    case Parameter::PT_VECTOR3I: return "vector3i";
    case Parameter::PT_VECTOR3D: return "vector3d";
    case Parameter::PT_VECTOR4F: return "vector4f";
    case Parameter::PT_MATRIX4D: return "matrix4d";
    case Parameter::PT_LIST: return "list";
    case Parameter::PT_TUPLE: return "tuple";
    case Parameter::PT_REFERENCE: return "reference";
    }
    return "unknown";
}

} // namespace VORNSDK
