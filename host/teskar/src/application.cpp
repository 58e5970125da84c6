#include "teskar/host_plugin.h"
#include "teskar/kernel.h"

#include "vornsdk/description.h"

namespace teskar {

using namespace VORNSDK;

AttributeDescription* add_attribute(ComponentDescription& d, char const* name, Parameter::PType type,
                                    Parameter const& def)
{
    auto* a = d.add_attribute(name, type);
    a->set_default_parameter(def);
    return a;
}

namespace {

// The application node: the user's preferences as attributes.
class Application : public Plugin {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::user_name(), "Application");
        add_attribute(d, "NothingSelectedMeansEverythingSelected", Parameter::PT_BOOL, true);
        add_attribute(d, "SelectionDrawing", Parameter::PT_STRING, "Highlight");
        add_attribute(d, "ActionCenter", Parameter::PT_INT, 0);
        add_attribute(d, "DisplayTracking", Parameter::PT_BOOL, true);
        add_attribute(d, "ActiveViewport", Parameter::PT_REFERENCE);
        add_attribute(d, "CurrentViewport", Parameter::PT_REFERENCE);
        add_attribute(d, "SelectionOcclusion", Parameter::PT_BOOL, false);
        add_attribute(d, "ToolColor", Parameter::PT_VECTOR4F, Vector4f{1.0f, 0.55f, 0.0f, 1.0f});
        add_attribute(d, "ToolColor2", Parameter::PT_VECTOR4F, Vector4f{0.0f, 0.75f, 1.0f, 1.0f});
        add_attribute(d, "ParentInPlace", Parameter::PT_BOOL, true);
        return true;
    }
};

} // namespace

void register_application(Registry& registry) { register_host_plugin<Application>(registry, "Application"); }

} // namespace teskar
