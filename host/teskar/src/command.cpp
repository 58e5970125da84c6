#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/scene.h"

#include "vornsdk/command.h"
#include "vornsdk/description.h"
#include "vornsdk/draw.h"
#include "vornsdk/host.h"
#include "vornsdk/interfaces.h"
#include "vornsdk/tool.h"

namespace teskar {

VORNSDK::String step_name(VORNSDK::Component const& command)
{
    auto const* description = command.description();
    VORNSDK::String const label =
        description ? description->value(VORNSDK::Description::user_name()).as_string() : VORNSDK::String();
    return label.is_null() ? command.component_type() : label;
}

} // namespace teskar

namespace VORNSDK {

CloneableInterface::~CloneableInterface() = default;
NotifierInterface::~NotifierInterface() = default;
AttributeListenerInterface::~AttributeListenerInterface() = default;
CommandInterface::~CommandInterface() = default;
InteractiveToolInterface::~InteractiveToolInterface() = default;
DrawInterface::~DrawInterface() = default;

ItemCommand::~ItemCommand() = default;

namespace {

// The items whose edits are running, innermost last: a command run from inside an item's edit
// without a target of its own acts on that item alone, not on the whole selection.
std::vector<Component>& running_items()
{
    static std::vector<Component> items;
    return items;
}

class RunningItem {
public:
    explicit RunningItem(Component const& item) { running_items().push_back(item); }
    RunningItem(RunningItem const&) = delete;
    RunningItem& operator=(RunningItem const&) = delete;
    ~RunningItem() { running_items().pop_back(); }
};

} // namespace

bool ItemCommand::v_execute(Context& context)
{
    Component const item = context.custom_parameter("Item").as_ref();
    if (item)
        return execute_selection(ComponentList{item});
    Component const scene = context.custom_parameter("Scene").as_ref();
    ComponentList const selection = current_selection(scene);
    if (selection.empty())
        return execute_scene(ComponentInterfaceReferenceT<TreeNodeInterface>());
    return execute_selection(selection);
}

void ItemCommand::became_modifier(ComponentInterfacePtrT<CommandInterface>, ComponentInterfacePtrT<MeshInterface>) {}

bool ItemCommand::execute_selection(ComponentList const& items)
{
    bool ok = true;
    for (Component const& item : items) {
        ComponentInterfacePtrT<SceneItemInterface> const scene_item(item);
        if (!scene_item)
            continue;
        RunningItem const running(item);
        ok = execute_item(scene_item, false) && ok;
    }
    return ok;
}

bool ItemCommand::execute_scene(ComponentInterfaceReferenceT<TreeNodeInterface> const&) { return true; }

bool ItemCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const&, bool) { return true; }

bool execute(String const& command_name, Component const& target)
{
    Component const command = Component::create(command_name);
    return command && execute(command, target);
}

bool execute(Component const& command, Component const& target)
{
    auto* runner = get_interface<CommandInterface>(command);
    if (!runner)
        return false;
    // A command run outside any transaction is an undo step of its own, named as the user sees it.
    teskar::ImplicitTransaction const transaction(teskar::step_name(command));
    Context context;
    Component const item = target ? target : running_items().empty() ? Component() : running_items().back();
    if (item)
        context.set_custom_parameter("Item", Parameter(StrongReference{item}));
    return runner->v_execute(context);
}

} // namespace VORNSDK
