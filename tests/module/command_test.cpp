#include "framework/clone_data.h"
#include "framework/command.h"

#include "teskar/host_plugin.h"
#include "teskar/kernel.h"


#include <gtest/gtest.h>

#include <stdexcept>

using namespace VORNSDK;

namespace {

// A command that counts its hooks and, on a change of "a", writes "b" from inside the handler;
// setting "fail" throws.
class Probe : public tolvir::Command {
public:
    static inline std::vector<std::uint32_t> changed;
    static inline int copies = 0;

    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "CommandTool");
        teskar::add_attribute(d, "a", Parameter::PT_INT, 1);
        teskar::add_attribute(d, "b", Parameter::PT_STRING, "x");
        teskar::add_attribute(d, "fail", Parameter::PT_BOOL, false);
        return true;
    }
    void attribute_changed(std::uint32_t index) override
    {
        changed.push_back(index);
        if (index == 0)
            attribute("b").set_value("written", true);
        if (index == 2 && attribute("fail").as_bool())
            throw std::runtime_error("handler failed");
    }
    void copy_from(Plugin const&) override { ++copies; }
};

class Slot : public NotifySlot {
public:
    void notified(std::uint32_t code, Parameter const& value) override
    {
        codes.push_back(code);
        source = value.as_ref();
    }
    std::vector<std::uint32_t> codes;
    Component source;
};

class CommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { teskar::register_host_plugin<Probe>(teskar::Kernel::instance().registry(), "Probe"); }
    void SetUp() override
    {
        Probe::changed.clear();
        Probe::copies = 0;
    }
};

} // namespace

TEST_F(CommandTest, ChangesReachTheHandlerOnceAndTheCommandsOwnChannel)
{
    Component const c = Component::create("Probe");
    Slot slot;
    get_interface<NotifierInterface>(c)->notify().attach(&slot);
    // The handler's own write of "b" is stored, but not notified during the notification of "a".
    c["a"].set_value(5);
    EXPECT_EQ(Probe::changed, std::vector<std::uint32_t>{0});
    EXPECT_EQ(c["b"].as_string(), String("written"));
    c["b"].set_value("again");
    EXPECT_EQ(Probe::changed, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(slot.codes, (std::vector<std::uint32_t>{kNotifyAttributeChanged, kNotifyAttributeChanged}));
    EXPECT_EQ(slot.source, c);
    // A handler that throws does not leave the listener deaf.
    EXPECT_THROW(c["fail"].set_value(true), std::runtime_error);
    c["a"].set_value(6);
    EXPECT_EQ(Probe::changed, (std::vector<std::uint32_t>{0, 1, 2, 0}));
}

TEST_F(CommandTest, OnlyACloneCopiesStateAndAttributesByIndex)
{
    Component const c = Component::create("Probe");
    c["a"].set_value(9, false);
    c["b"].set_value("kept", false);
    Variant const other;
    EXPECT_TRUE(Component::create("Probe", &other).valid());
    tolvir::VariantT<tolvir::CloneData> const empty(tolvir::CloneData{nullptr});
    EXPECT_TRUE(Component::create("Probe", &empty).valid());
    std::unique_ptr<Variant> const copied(empty.copy());
    EXPECT_EQ(copied->type_code(), empty.type_code());
    EXPECT_EQ(Probe::copies, 0);

    Component const copy = get_interface<CloneableInterface>(c)->clone();
    ASSERT_TRUE(copy.valid());
    EXPECT_EQ(Probe::copies, 1);
    EXPECT_EQ(copy["a"].as_int(), 9);
    EXPECT_EQ(copy["b"].as_string(), String("kept"));
    EXPECT_NE(copy, c);
}
