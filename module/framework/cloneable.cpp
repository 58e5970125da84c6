#include "framework/cloneable.h"

#include "framework/clone_data.h"

#include "vornsdk/component.h"
#include "vornsdk/context.h"

namespace tolvir {

using namespace VORNSDK;

void* Cloneable::query_interface(UniqueID const& id)
{
    if (id == CloneableInterface::iid())
        return static_cast<CloneableInterface*>(this);
    return nullptr;
}

void Cloneable::assign_variant(Variant const& value)
{
    if (value.type_code() != str_type_code(VariantTypeName<CloneData>::value) || !value.data())
        return;
    auto const* data = static_cast<CloneData const*>(value.data());
    if (data->source)
        copy_from(*data->source);
}

void Cloneable::copy_from(Plugin const&) {}
void Cloneable::attribute_changed(std::uint32_t) {}
void Cloneable::attribute_event(std::uint32_t) {}

Component Cloneable::clone()
{
    VariantT<CloneData> const variant(CloneData{this});
    Component copy = create_component(component_type(), &variant);
    if (!copy)
        return copy;
    ComponentPtr const source(component());
    ComponentPtr const target(copy);
    for (unsigned i = 0; i < num_attributes(); ++i) {
        Context const context;
        target[i].set_value(source[i].value(context), true);
    }
    return copy;
}

} // namespace tolvir
