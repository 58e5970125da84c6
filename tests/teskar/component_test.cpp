#include "teskar/host_plugin.h"
#include "teskar/kernel.h"

#include "vornsdk/attribute.h"
#include "vornsdk/command.h"
#include "vornsdk/host.h"
#include "vornsdk/interfaces.h"
#include "vornsdk/parameter.h"

#include <gtest/gtest.h>

using namespace VORNSDK;

namespace {

struct Heard {
    std::uint32_t source, code;
    Parameter value;
};

// A host component that records what its listener hears and what its command runs on.
class Recorder : public Plugin, public AttributeListenerInterface, public ItemCommand {
public:
    static inline std::vector<Heard> heard;
    static inline int executions = 0;

    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::user_name(), "Recorder");
        teskar::add_attribute(d, "count", Parameter::PT_INT, 3)->set_min_parameter(1);
        auto* ratio = teskar::add_attribute(d, "ratio", Parameter::PT_DOUBLE, 0.5);
        ratio->set_min_parameter(0);
        ratio->set_max_parameter(1);
        teskar::add_attribute(d, "label", Parameter::PT_STRING);
        auto* side = teskar::add_attribute(d, "side", Parameter::PT_INT, 0);
        side->add_tag(Description::ui_type(), "button_group");
        side->add_tag(Description::ui_flags(), Parameter(ParameterList{"Left", "Right", "Both"}));
        return true;
    }
    void* query_interface(UniqueID const& id) override
    {
        if (id == AttributeListenerInterface::iid())
            return static_cast<AttributeListenerInterface*>(this);
        if (id == CommandInterface::iid())
            return static_cast<ItemCommand*>(this);
        return nullptr;
    }
    void on_notify(std::uint32_t source, std::uint32_t, std::uint32_t, std::uint32_t code, Parameter* value) override
    {
        heard.push_back({source, code, *value});
    }
    bool v_execute(Context& context) override
    {
        ++executions;
        return context.custom_parameter("Item").as_ref().valid();
    }
};

class ComponentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { teskar::register_host_plugin<Recorder>(teskar::Kernel::instance().registry(), "Recorder"); }
    void SetUp() override
    {
        Recorder::heard.clear();
        Recorder::executions = 0;
    }
};

} // namespace

TEST(Parameter, NumericConversions)
{
    EXPECT_EQ(Parameter(2.9).as_int(), 2);
    EXPECT_EQ(Parameter(3).as_double(), 3.0);
    EXPECT_TRUE(Parameter(0.1).as_bool());
    EXPECT_EQ(Parameter(1e300).as_int(), 2147483647);
    EXPECT_EQ(Parameter("7").as_int(), 0); // text is not a number
    EXPECT_EQ(Parameter(Vector3i{1, 2, 3}).as_Vector3d(), (Vector3d{1, 2, 3}));
}

TEST(Parameter, ListsAndTuplesKeepTheirElements)
{
    Parameter const entry(Parameter(""), Parameter("IncSlice"), Parameter("Up"), Parameter("Moment"));
    EXPECT_EQ(entry.get_type(), Parameter::PT_TUPLE);
    Parameter const list(ParameterList{entry, Parameter()});
    EXPECT_EQ(list.get_type(), Parameter::PT_LIST);
    ASSERT_EQ(list.as_list().size(), 2u);
    EXPECT_EQ(list.as_list()[0].as_list()[1].as_string(), String("IncSlice"));
    EXPECT_EQ(list, Parameter(ParameterList{entry, Parameter()}));
    EXPECT_TRUE(Parameter(3).as_list().empty());
}

TEST_F(ComponentTest, NewComponentsStartWithTheirDefaultsAndUnknownTypesMakeNone)
{
    EXPECT_FALSE(Component::create("NoSuchThing").valid());
    EXPECT_FALSE(execute("NoSuchThing"));
    EXPECT_FALSE(Component()["count"].set_value(1).ok());
    Component const c = Component::create("Recorder");
    ASSERT_TRUE(c.valid());
    EXPECT_EQ(c["count"].as_int(), 3);
    EXPECT_EQ(c["ratio"].as_double(), 0.5);
    EXPECT_FALSE(c["label"].value().valid());
    EXPECT_FALSE(c["missing"].valid());
    EXPECT_EQ(ComponentPtr(c)[1u].name(), String("ratio"));
}

TEST_F(ComponentTest, SetValueNotifiesTheListenerAndSubscribers)
{
    Component const c = Component::create("Recorder");
    EXPECT_TRUE(c["ratio"].set_value(0.25).ok());
    ASSERT_EQ(Recorder::heard.size(), 1u);
    EXPECT_EQ(Recorder::heard[0].source, 1u);
    EXPECT_EQ(Recorder::heard[0].code, kNotifyAttributeChanged);
    EXPECT_EQ(Recorder::heard[0].value.as_double(), 0.25);

    c["ratio"].set_value(0.75, false);
    EXPECT_EQ(Recorder::heard.size(), 1u);
    EXPECT_EQ(c["ratio"].as_double(), 0.75);

    // Subscribers hear changes until their connections end.
    int calls = 0;
    {
        ScopedConnections connections;
        connections.add(c["label"].connect([&](Parameter const& v) {
            ++calls;
            EXPECT_EQ(v.as_string(), String("new"));
        }));
        c["label"].set_value("new");
        EXPECT_EQ(calls, 1);
    }
    c["label"].set_value("new");
    EXPECT_EQ(calls, 1);
}

TEST_F(ComponentTest, SetValueConvertsAndClampsNumbersAndRefusesOtherKinds)
{
    Component const c = Component::create("Recorder");
    c["count"].set_value(0);
    EXPECT_EQ(c["count"].as_int(), 1);
    c["count"].set_value(4.0);
    EXPECT_EQ(c["count"].value().get_type(), Parameter::PT_INT);
    c["ratio"].set_value(7);
    EXPECT_EQ(c["ratio"].value(), Parameter(1.0));
    EXPECT_FALSE(c["ratio"].set_value("text").ok());
    EXPECT_EQ(c["ratio"].as_double(), 1.0);
    // A choice stays among its buttons.
    c["side"].set_value(7);
    EXPECT_EQ(c["side"].as_int(), 2);
    c["side"].set_value(-1);
    EXPECT_EQ(c["side"].as_int(), 0);
}

TEST_F(ComponentTest, ExecuteHandsTheTargetThroughTheContext)
{
    Component const c = Component::create("Recorder");
    EXPECT_FALSE(execute(c));
    EXPECT_TRUE(execute(c, c));
    EXPECT_TRUE(execute("Recorder", c));
    EXPECT_EQ(Recorder::executions, 3);
}

TEST(UniqueId, ParsesUuidTextsAndRejectsOthers)
{
    UniqueID const id = uuid_string_to_unique_id("01234567-89ab-cdef-0123-456789ABCDEF");
    EXPECT_EQ(id.words[0], 0x01234567u);
    EXPECT_EQ(id.words[3], 0x89ABCDEFu);
    EXPECT_EQ(uuid_string_to_unique_id("0123-xyz"), UniqueID());
    EXPECT_EQ(uuid_string_to_unique_id("01234567-89ab-cdef-0123-456789abcdef00"), UniqueID());
}
