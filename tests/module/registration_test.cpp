#include "framework/key_bindings.h"

#include "teskar/registry.h"

#include "vornsdk/description.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

extern "C" int initialize_module(VORNSDK::PluginModuleRegistrar&);

// The descriptions themselves are compared with a golden file of `vorn describe --json` (see
// tests/vorn/cli_test.cpp); these tests check how registration behaves.

namespace {

using namespace VORNSDK;

std::vector<std::string> names(teskar::Registry const& registry, std::string const& origin)
{
    std::vector<std::string> out;
    for (teskar::ComponentType const* t : registry.types(origin))
        out.push_back(t->name.to_utf8());
    return out;
}

bool describe_nothing(ComponentDescription&) { return true; }
Plugin* create_nothing() { return nullptr; }
void destroy_nothing(Plugin*) {}

TEST(Registration, ARefusedRegistrationDoesNotStopTheOthers)
{
    teskar::Registry registry;
    ASSERT_TRUE(registry.add("Knife", &create_nothing, &destroy_nothing, &describe_nothing, nullptr, "other"));
    teskar::ModuleRegistrar registrar{registry, "tolvir"};
    EXPECT_EQ(initialize_module(registrar), 0);
    EXPECT_EQ(registrar.value(Description::user_name()).as_string().to_utf8(), "TolvirPlugins");

    // The taken name stays with its owner; the 22 other components follow in their order.
    std::vector<std::string> const registered = names(registry, "tolvir");
    EXPECT_EQ(registered.size(), 22u);
    EXPECT_EQ(std::count(registered.begin(), registered.end(), "Knife"), 0);
    EXPECT_EQ(registered[6], "SoftEdgesOutlineCommand");
    EXPECT_EQ(registered[7], "Tweak");
    EXPECT_EQ(names(registry, "other"), std::vector<std::string>{"Knife"});
}

TEST(Registration, EveryComponentIsMadeAndDestroyedByItsOwnFunctions)
{
    teskar::Registry registry;
    teskar::ModuleRegistrar registrar{registry, "tolvir"};
    initialize_module(registrar);
    for (teskar::ComponentType const* t : registry.types("tolvir")) {
        SCOPED_TRACE(t->name.to_utf8());
        Plugin* const object = t->create();
        ASSERT_NE(object, nullptr);
        t->destroy(object);
        t->destroy(nullptr);
    }
}

TEST(KeyBindings, IncompleteCandidatesAreLeftOutOfTheList)
{
    ComponentDescription description;
    tolvir::set_key_bindings(description, {{"Go", "G", "Moment"}, {nullptr, "H", "Moment"}, {"Stop", "S", "Toggle"}});
    Parameter const list = description.value(ComponentDescription::default_tool_keybindings());
    ASSERT_EQ(list.as_list().size(), 2u);
    EXPECT_EQ(list.as_list()[1], Parameter(Parameter(""), Parameter("Stop"), Parameter("S"), Parameter("Toggle")));
}

} // namespace
