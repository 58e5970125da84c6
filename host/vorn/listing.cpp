#include "listing.h"

#include "vornsdk/attribute.h"
#include "vornsdk/scene.h"

#include <iomanip>
#include <ostream>
#include <sstream>

namespace vorn {

using namespace VORNSDK;
using nlohmann::json;
using nlohmann::ordered_json;

json to_json(Parameter const& p)
{
    switch (p.get_type()) {
    case Parameter::PT_NONE: return nullptr;
    case Parameter::PT_BOOL: return p.as_bool();
    case Parameter::PT_INT: return p.as_int();
    case Parameter::PT_DOUBLE: return p.as_double();
    case Parameter::PT_STRING: return p.as_string().to_utf8();
    case Parameter::PT_VECTOR3I: {
        auto const v = p.as_Vector3i();
        return json::array({v.x, v.y, v.z});
    }
    case Parameter::PT_VECTOR3D: {
        auto const v = p.as_Vector3d();
        return json::array({v.x, v.y, v.z});
    }
    case Parameter::PT_VECTOR4F: {
        auto const v = p.as_Vector4f();
        return json::array({v.x, v.y, v.z, v.w});
    }
    case Parameter::PT_MATRIX4D: {
        auto const m = p.as_Matrix4d();
        return json(std::vector<double>(std::begin(m.m), std::end(m.m)));
    }
    case Parameter::PT_LIST:
    case Parameter::PT_TUPLE: {
        json out = json::array();
        for (auto const& e : p.as_list())
            out.push_back(to_json(e));
        return out;
    }
    case Parameter::PT_REFERENCE: {
        Component const c = p.as_ref();
        auto* item = get_interface<SceneItemInterface>(c);
        return item ? json(item->name().to_utf8()) : json(c.component_type().to_utf8());
    }
    }
    return nullptr;
}

std::string to_text(Parameter const& p)
{
    switch (p.get_type()) {
    case Parameter::PT_NONE: return "-";
    case Parameter::PT_STRING: return p.as_string().to_utf8();
    case Parameter::PT_DOUBLE: {
        std::ostringstream s;
        s << p.as_double();
        return s.str();
    }
    case Parameter::PT_VECTOR3I:
    case Parameter::PT_VECTOR3D:
    case Parameter::PT_VECTOR4F: {
        std::string out;
        for (auto const& v : to_json(p)) {
            std::ostringstream s;
            s << (out.empty() ? "" : ",") << v.get<double>();
            out += s.str();
        }
        return out;
    }
    default: return to_json(p).dump();
    }
}

char const* kind_of(teskar::ComponentType const& type) { return type.is_interactive_tool() ? "tool" : "command"; }

namespace {

std::string tag_text(Description const& d, AscString const& key)
{
    Parameter const p = d.value(key);
    return p.valid() ? to_text(p) : "-";
}

} // namespace

json list_json(std::string const& module, std::vector<teskar::ComponentType const*> const& types)
{
    json components = json::array();
    for (auto const* t : types) {
        auto const& d = t->description;
        components.push_back({{"name", t->name.to_utf8()},
                              {"kind", kind_of(*t)},
                              {"user_name", t->user_name().to_utf8()},
                              {"sub_category", to_json(d.value(Description::sub_category()))},
                              {"icon", to_json(d.value(Description::icon()))},
                              {"hidden", t->hidden()}});
    }
    return {{"module", module}, {"components", components}};
}

void print_list(std::ostream& out, std::vector<teskar::ComponentType const*> const& types)
{
    std::size_t width = 0;
    for (auto const* t : types)
        width = std::max(width, t->name.to_utf8().size());
    for (auto const* t : types) {
        auto const& d = t->description;
        out << std::left << std::setw(static_cast<int>(width) + 2) << t->name.to_utf8() << std::setw(9) << kind_of(*t)
            << std::setw(20) << ('"' + t->user_name().to_utf8() + '"') << std::setw(10)
            << tag_text(d, Description::sub_category()) << tag_text(d, Description::icon())
            << (t->hidden() ? "  hidden" : "") << '\n';
    }
}

ordered_json describe_json(teskar::ComponentType const& type)
{
    // Ordered objects keep the tags in the order the component declared them.
    auto const& d = type.description;
    ordered_json tags = ordered_json::object();
    for (auto const& [key, value] : d.tags())
        if (key != ComponentDescription::default_tool_keybindings())
            tags[key.str()] = to_json(value);
    ordered_json attributes = ordered_json::array();
    for (unsigned i = 0; i < d.num_attributes(); ++i) {
        auto const* a = d.attribute(i);
        ordered_json attr = {{"name", a->name().to_utf8()},
                             {"type", ptype_name(a->type())},
                             {"type_code", static_cast<int>(a->type())},
                             {"default", to_json(a->default_parameter())},
                             {"min", to_json(a->min_parameter())},
                             {"max", to_json(a->max_parameter())},
                             {"step", to_json(a->step_parameter())},
                             {"show_ui", a->show_ui()},
                             {"undoable", a->undoable()}};
        ordered_json attr_tags = ordered_json::object();
        for (auto const& [key, value] : a->tags())
            attr_tags[key.str()] = to_json(value);
        attr["user_name"] = attr_tags.value("user_name", ordered_json());
        Parameter const ui_type = a->value(Description::ui_type());
        attr["choices"] = ui_type.valid() ? attr_tags.value("ui_flags", ordered_json()) : ordered_json();
        attr["tags"] = attr_tags;
        attributes.push_back(attr);
    }
    ordered_json bindings = ordered_json::array();
    for (auto const& entry : d.value(ComponentDescription::default_tool_keybindings()).as_list()) {
        auto const& e = entry.as_list();
        if (e.size() == 4)
            bindings.push_back({{"action", e[1].as_string().to_utf8()},
                                {"key", e[2].as_string().to_utf8()},
                                {"trigger", e[3].as_string().to_utf8()}});
    }
    return {{"name", type.name.to_utf8()},
            {"kind", kind_of(type)},
            {"tags", tags},
            {"attributes", attributes},
            {"key_bindings", bindings}};
}

void print_description(std::ostream& out, teskar::ComponentType const& type)
{
    ordered_json const j = describe_json(type);
    out << type.name.to_utf8() << " (" << (type.is_interactive_tool() ? "interactive tool" : "command") << ")\n";
    for (auto const& [key, value] : j["tags"].items())
        out << "  " << key << ": " << (value.is_string() ? value.get<std::string>() : value.dump()) << '\n';
    out << "attributes:" << (j["attributes"].empty() ? " none" : "") << '\n';
    for (auto const& a : j["attributes"]) {
        out << "  " << a["name"].get<std::string>() << "  " << a["type"].get<std::string>();
        for (char const* field : {"user_name", "default", "min", "max", "step", "choices"})
            if (!a[field].is_null())
                out << "  " << field << '=' << (a[field].is_string() ? a[field].get<std::string>() : a[field].dump());
        out << '\n';
    }
    if (!j["key_bindings"].empty()) {
        out << "key bindings:\n";
        for (auto const& b : j["key_bindings"])
            out << "  " << b["action"].get<std::string>() << "  " << b["key"].get<std::string>() << "  "
                << b["trigger"].get<std::string>() << '\n';
    }
}

} // namespace vorn
