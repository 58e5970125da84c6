#include "teskar/component_data.h"
#include "teskar/kernel.h"
#include "teskar/registry.h"

#include "vornsdk/interfaces.h"
#include "vornsdk/variant.h"

#include <algorithm>
#include <cmath>

namespace VORNSDK {

namespace {
std::atomic<std::uint64_t> g_next_serial{1};
} // namespace

ComponentData::ComponentData(teskar::ComponentType const& type, Plugin* plugin)
    : type_(type), plugin_(plugin), serial_(g_next_serial++)
{
    auto const& desc = type.description;
    values_.reserve(desc.num_attributes());
    for (unsigned i = 0; i < desc.num_attributes(); ++i)
        values_.push_back(desc.attribute(i)->default_parameter());
    signals_.resize(values_.size());
    plugin_->data_ = this;
}

ComponentData::~ComponentData()
{
    plugin_->data_ = nullptr;
    type_.destroy(plugin_);
}

void ComponentData::release() noexcept
{
    if (--refs_ == 0)
        delete this;
}

int ComponentData::attribute_index(String const& name) const { return type_.description.attribute_index(name); }

Parameter ComponentData::value(int index, Context const* context) const
{
    if (index < 0 || index >= static_cast<int>(values_.size()))
        return Parameter();
    if (auto* provider = static_cast<teskar::AttributeProvider*>(plugin_->query_interface(teskar::AttributeProvider::iid()))) {
        Parameter computed = provider->read_attribute(index, context);
        if (computed.valid())
            return computed;
    }
    return values_[index];
}

namespace {

// The number of choices of an integer shown as buttons or a combo box, whose value is the index
// of the chosen label; 0 for any other attribute.
std::size_t choice_count(AttributeDescription const& desc)
{
    if (desc.type() != Parameter::PT_INT)
        return 0;
    Parameter const ui = desc.value(Description::ui_type());
    if (!ui.valid() || (ui.as_string() != String("button_group") && ui.as_string() != String("combo_box")))
        return 0;
    Parameter const labels = desc.value(Description::ui_flags());
    return labels.get_type() == Parameter::PT_LIST ? labels.as_list().size() : 0;
}

// The value as the attribute's declared type: numbers convert among themselves and are clamped
// to the attribute's limits; other kinds must match. False when the value cannot be stored.
bool coerce(AttributeDescription const& desc, Parameter const& in, Parameter& out)
{
    auto const type = desc.type();
    auto const given = in.get_type();
    auto const is_number = [](Parameter::PType t) {
        return t == Parameter::PT_BOOL || t == Parameter::PT_INT || t == Parameter::PT_DOUBLE;
    };
    if (type == Parameter::PT_NONE || given == Parameter::PT_NONE) {
        out = in;
        return true;
    }
    if (is_number(type) && is_number(given)) {
        double v = in.as_double();
        if (type != Parameter::PT_BOOL) {
            if (desc.min_parameter().valid() && v < desc.min_parameter().as_double())
                v = desc.min_parameter().as_double();
            if (desc.max_parameter().valid() && v > desc.max_parameter().as_double())
                v = desc.max_parameter().as_double();
            if (std::size_t const choices = choice_count(desc))
                v = std::clamp(v, 0.0, static_cast<double>(choices - 1));
        }
        if (type == Parameter::PT_BOOL)
            out = Parameter(in.as_bool());
        else if (type == Parameter::PT_INT)
            out = Parameter(Parameter(v).as_int());
        else
            out = Parameter(v);
        return true;
    }
    if (type == Parameter::PT_VECTOR3D && given == Parameter::PT_VECTOR3I) {
        out = Parameter(in.as_Vector3d());
        return true;
    }
    if (type == Parameter::PT_VECTOR3I && given == Parameter::PT_VECTOR3D) {
        out = Parameter(in.as_Vector3i());
        return true;
    }
    if (type == Parameter::PT_LIST && given == Parameter::PT_TUPLE) {
        out = in;
        return true;
    }
    if (type != given)
        return false;
    out = in;
    return true;
}

} // namespace

Status ComponentData::set_value(int index, Parameter const& value, bool notify)
{
    if (index < 0 || index >= static_cast<int>(values_.size()))
        return Status(kStatusNotFound);
    Parameter stored;
    if (!coerce(*type_.description.attribute(static_cast<unsigned>(index)), value, stored))
        return Status(kStatusBadValue);
    values_[index] = stored;
    if (!notify)
        return Status();
    // The listener may release the last outside handle; keep the record alive meanwhile.
    Component keep(this);
    if (auto* listener =
            static_cast<AttributeListenerInterface*>(plugin_->query_interface(AttributeListenerInterface::iid()))) {
        Parameter payload = stored;
        listener->on_notify(static_cast<std::uint32_t>(index), 0, 0, kNotifyAttributeChanged, &payload);
    }
    if (signals_[index])
        signals_[index]->fire(values_[index]);
    return Status();
}

Connection ComponentData::connect(int index, Signal::Callback callback)
{
    if (index < 0 || index >= static_cast<int>(values_.size()))
        return Connection();
    if (!signals_[index])
        signals_[index] = std::make_unique<Signal>();
    return signals_[index]->connect(std::move(callback));
}

Component::Component(ComponentData* data) noexcept : data_(data)
{
    if (data_)
        data_->retain();
}

Component::Component(Component const& other) noexcept : data_(other.data_)
{
    if (data_)
        data_->retain();
}

Component::~Component()
{
    if (data_)
        data_->release();
}

Component Component::create(String const& type_name, Variant const* init)
{
    auto const* type = teskar::Kernel::instance().registry().find(type_name);
    if (!type)
        return Component();
    Plugin* plugin = type->create();
    if (!plugin)
        return Component();
    Component c(new ComponentData(*type, plugin));
    if (init)
        plugin->assign_variant(*init);
    plugin->setup();
    return c;
}

Component create_component(String const& type_name, Variant const* init) { return Component::create(type_name, init); }

String Component::component_type() const { return data_ ? data_->type().name : String(); }

ComponentDescription const* Component::description() const { return data_ ? &data_->type().description : nullptr; }

unsigned Component::num_attributes() const { return data_ ? data_->num_attributes() : 0; }

AttributePtr Component::attribute(String const& name) const
{
    return data_ ? AttributePtr(*this, data_->attribute_index(name)) : AttributePtr();
}

AttributePtr Component::attribute(unsigned index) const
{
    return data_ && index < data_->num_attributes() ? AttributePtr(*this, static_cast<int>(index)) : AttributePtr();
}

AttributePtr Component::operator[](String const& name) const { return attribute(name); }

void* Component::get_interface(UniqueID const& id) const { return data_ ? data_->plugin()->query_interface(id) : nullptr; }

Plugin* Component::plugin() const { return data_ ? data_->plugin() : nullptr; }

std::uint64_t Component::serial() const { return data_ ? data_->serial() : 0; }

AttributePtr ComponentPtr::operator[](unsigned index) const { return attribute(index); }

AttributePtr ComponentPtr::operator[](int index) const
{
    return index < 0 ? AttributePtr() : attribute(static_cast<unsigned>(index));
}

bool AttributePtr::valid() const { return owner_.valid() && index_ >= 0 && index_ < static_cast<int>(owner_.num_attributes()); }

String AttributePtr::name() const
{
    return valid() ? owner_.description()->attribute(static_cast<unsigned>(index_))->name() : String();
}

Parameter::PType AttributePtr::type() const
{
    return valid() ? owner_.description()->attribute(static_cast<unsigned>(index_))->type() : Parameter::PT_NONE;
}

Parameter AttributePtr::value() const { return valid() ? owner_.data()->value(index_, nullptr) : Parameter(); }

Parameter AttributePtr::value(Context const& context) const
{
    return valid() ? owner_.data()->value(index_, &context) : Parameter();
}

Status AttributePtr::set_value(Parameter const& value, bool notify) const
{
    return valid() ? owner_.data()->set_value(index_, value, notify) : Status(kStatusNotFound);
}

Connection AttributePtr::connect(Signal::Callback callback) const
{
    return valid() ? owner_.data()->connect(index_, std::move(callback)) : Connection();
}

Plugin::Plugin() = default;
Plugin::~Plugin() = default;
void* Plugin::query_interface(UniqueID const&) { return nullptr; }
void Plugin::assign_variant(Variant const&) {}
void Plugin::setup() {}

AttributePtr Plugin::attribute(String const& name) const { return component().attribute(name); }
AttributePtr Plugin::attribute(unsigned index) const { return component().attribute(index); }
unsigned Plugin::num_attributes() const { return data_ ? data_->num_attributes() : 0; }
Component Plugin::component() const { return Component(data_); }
String Plugin::component_type() const { return data_ ? data_->type().name : String(); }
ComponentDescription const* Plugin::description() const { return data_ ? &data_->type().description : nullptr; }
bool Plugin::in_context(FilterContext const&) { return true; }

} // namespace VORNSDK
