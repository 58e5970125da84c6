#include "teskar/scene.h"

#include "teskar/history.h"
#include "teskar/host_plugin.h"
#include "teskar/kernel.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace teskar {

using namespace VORNSDK;

namespace {

// Interface id by which the host recognises its own items and scenes behind a component.
UniqueID const& item_iid()
{
    static UniqueID const id = uuid_string_to_unique_id("a7d0c4e2-3b51-4e8f-9a60-1c2d3e4f5a10");
    return id;
}

UniqueID const& scene_iid()
{
    static UniqueID const id = uuid_string_to_unique_id("a7d0c4e2-3b51-4e8f-9a60-1c2d3e4f5a11");
    return id;
}

void empty_box(Vector3d& min, Vector3d& max)
{
    double const inf = std::numeric_limits<double>::infinity();
    min = {inf, inf, inf};
    max = {-inf, -inf, -inf};
}

} // namespace

// The changes of one undo step to a scene's structure and item selection, kept as snapshots of
// the whole tree: parents, children in order, top items and the selection.
class SceneJournal : public StepPart {
public:
    explicit SceneJournal(Scene& scene) : scene_(&scene), keep_(scene.component()) {}

    void const* target() const override { return scene_; }
    bool unchanged() const override { return !before_ || before_->same_tree(capture()); }
    // A part reverted within its step holds nothing, while other parts of the step may.
    void undo() override
    {
        if (!before_)
            return;
        after_ = capture();
        apply(*before_);
    }
    void redo() override
    {
        if (after_)
            apply(*after_);
    }
    void revert() override
    {
        if (before_)
            apply(*before_);
        before_.reset();
    }
    void absorb(StepPart& other_part) override
    {
        auto& other = static_cast<SceneJournal&>(other_part);
        if (other.before_ && (!before_ || other.before_->tick < before_->tick))
            before_ = std::move(other.before_);
        other.before_.reset();
    }
    void save()
    {
        if (!before_)
            before_ = capture();
    }

private:
    struct Node {
        Component item, parent;
        ComponentList children;
        friend bool operator==(Node const&, Node const&) = default;
    };
    struct Snapshot {
        ComponentList top, selection;
        std::vector<Node> nodes;
        std::uint64_t tick = 0;

        bool same_tree(Snapshot const& o) const { return top == o.top && selection == o.selection && nodes == o.nodes; }
    };

    Snapshot capture() const
    {
        Snapshot s{scene_->top_, scene_->selection_, {}, UndoHistory::instance().tick()};
        for (Component const& c : scene_->items()) {
            Item const* i = item_of(c);
            s.nodes.push_back({c, i->parent(), i->children_});
        }
        return s;
    }

    void apply(Snapshot const& s)
    {
        for (Component const& c : scene_->items()) {
            Item* i = item_of(c);
            i->parent_ = nullptr;
            i->scene_ = nullptr;
            i->children_.clear();
        }
        for (Node const& n : s.nodes) {
            Item* i = item_of(n.item);
            i->parent_ = item_of(n.parent);
            i->scene_ = scene_;
            i->children_ = n.children;
        }
        scene_->top_ = s.top;
        scene_->selection_ = s.selection;
    }

    Scene* scene_;
    Component keep_;
    std::optional<Snapshot> before_, after_;
};

namespace {

int const kModeTarget = 0;

// One value of an undo step's target (the selection mode, an item's placement), saved before
// the step first changes it.
template <class Value>
class ValueJournal : public StepPart {
public:
    void undo() override
    {
        if (!before_)
            return;
        after_ = read();
        write(before_->value);
    }
    void redo() override
    {
        if (before_)
            write(after_);
    }
    void revert() override
    {
        if (before_)
            write(before_->value);
        before_.reset();
    }
    void absorb(StepPart& other_part) override
    {
        auto& other = static_cast<ValueJournal&>(other_part);
        if (other.before_ && (!before_ || other.before_->tick < before_->tick))
            before_ = other.before_;
        other.before_.reset();
    }
    bool unchanged() const override { return !before_ || same_bits(before_->value, read()); }
    void save()
    {
        if (!before_)
            before_ = Saved{read(), UndoHistory::instance().tick()};
    }

protected:
    virtual Value read() const = 0;
    virtual void write(Value const& value) = 0;

private:
    struct Saved {
        Value value;
        std::uint64_t tick;
    };
    std::optional<Saved> before_;
    Value after_{};
};

class ModeJournal : public ValueJournal<int> {
public:
    void const* target() const override { return &kModeTarget; }

private:
    int read() const override { return Kernel::instance().selection_mode(); }
    void write(int const& mode) override { Kernel::instance().set_selection_mode(mode); }
};

} // namespace

// An item's placement within one undo step.
class PlacementJournal : public ValueJournal<Matrix4d> {
public:
    explicit PlacementJournal(Item& item) : item_(&item), keep_(item.component()) {}
    void const* target() const override { return item_; }

private:
    Matrix4d read() const override { return item_->placement_; }
    void write(Matrix4d const& placement) override { item_->placement_ = placement; }

    Item* item_;
    Component keep_;
};

namespace {

void touch_scene(Scene* scene)
{
    if (!scene)
        return;
    if (auto* j = UndoHistory::instance().part_for<SceneJournal>(scene, [&] { return std::make_unique<SceneJournal>(*scene); }))
        j->save();
}

} // namespace

Item* item_of(Component const& c) { return c ? static_cast<Item*>(c.get_interface(item_iid())) : nullptr; }

Scene* scene_of(Component const& c) { return c ? static_cast<Scene*>(c.get_interface(scene_iid())) : nullptr; }

void Item::describe_item(ComponentDescription& d, char const* user_name)
{
    d.add_tag(Description::user_name(), user_name);
    add_attribute(d, "Name", Parameter::PT_STRING, "");
    add_attribute(d, "LocalToParentMatrix", Parameter::PT_MATRIX4D, Matrix4d::identity());
}

Parameter Item::read_attribute(int index, Context const* context) const
{
    static String const local_to_parent("LocalToParentMatrix");
    if (index != description()->attribute_index(local_to_parent))
        return Parameter();
    if (context && context->custom_parameter("ToPivot").as_int() == 4)
        return Matrix4d::identity();
    return placement_;
}

void* Item::query_interface(UniqueID const& id)
{
    if (id == item_iid())
        return this;
    if (id == SceneItemInterface::iid())
        return static_cast<SceneItemInterface*>(this);
    if (id == TreeNodeInterface::iid())
        return static_cast<TreeNodeInterface*>(this);
    if (id == AttributeProvider::iid())
        return static_cast<AttributeProvider*>(this);
    return nullptr;
}

String Item::name() const { return attribute("Name").as_string(); }

Component Item::scene() const { return scene_ ? scene_->component() : Component(); }

void Item::set_placement(Matrix4d const& placement)
{
    auto const make = [&] { return std::make_unique<PlacementJournal>(*this); };
    if (auto* j = UndoHistory::instance().part_for<PlacementJournal>(this, make))
        j->save();
    placement_ = placement;
}

Matrix4d Item::world_matrix() const { return parent_ ? parent_->world_matrix() * placement_ : placement_; }

Matrix4d Item::inverse_world_matrix() const { return inverse(world_matrix()); }

void Item::local_bounding_box(Vector3d& min, Vector3d& max) const { empty_box(min, max); }

void Item::world_bounding_box(Vector3d& min, Vector3d& max) const
{
    Vector3d lo, hi;
    local_bounding_box(lo, hi);
    empty_box(min, max);
    if (hi.x < lo.x)
        return;
    Matrix4d const w = world_matrix();
    for (int corner = 0; corner < 8; ++corner) {
        Vector3d const p = transform_point(w, {corner & 1 ? hi.x : lo.x, corner & 2 ? hi.y : lo.y, corner & 4 ? hi.z : lo.z});
        for (int k = 0; k < 3; ++k) {
            min[k] = std::min(min[k], p[k]);
            max[k] = std::max(max[k], p[k]);
        }
    }
}

void Item::apply_transform(Component const& transform, bool relative)
{
    if (!transform)
        return;
    Vector3d const t = transform["Translation"].as_Vector3d();
    Vector3d const r{transform["RotateX"].as_double(), transform["RotateY"].as_double(), transform["RotateZ"].as_double()};
    if (relative) {
        set_placement(Matrix4d::translation(t) * rotation_xyz(r) * placement_);
        return;
    }
    Vector3d old_t, old_r, scale;
    decompose_matrix_xyz(placement_, old_t, old_r, scale);
    set_placement(Matrix4d::translation(t) * rotation_xyz(r) * Matrix4d::scaling(scale));
}

Component Item::parent() const { return parent_ ? parent_->component() : Component(); }

void Item::detach()
{
    touch_scene(scene_);
    Component const self = component();
    if (parent_) {
        std::erase(parent_->children_, self);
    } else if (scene_) {
        scene_->remove_top(this);
    }
    parent_ = nullptr;
}

void Item::attach_to_scene(Scene* scene)
{
    if (scene_ && scene_ != scene)
        scene_->deselect(component());
    scene_ = scene;
    for (Component const& child : children_)
        item_of(child)->attach_to_scene(scene);
}

void Item::set_parent(ComponentInterfacePtrT<TreeNodeInterface> const& parent)
{
    Component const keep = component();
    Item* const new_parent = item_of(parent.component());
    if (new_parent) {
        new_parent->add_child(keep);
        return;
    }
    detach();
    attach_to_scene(nullptr);
}

void Item::add_child(Component const& child)
{
    Item* const c = item_of(child);
    // An item cannot become its own ancestor.
    for (Item* a = this; a; a = a->parent_)
        if (a == c)
            return;
    if (!c)
        return;
    Component const keep = child;
    touch_scene(scene_);
    c->detach();
    c->parent_ = this;
    children_.push_back(child);
    c->attach_to_scene(scene_);
}

bool Scene::describe(ComponentDescription& d)
{
    d.add_tag(Description::user_name(), "Scene");
    add_attribute(d, "UnitLength", Parameter::PT_DOUBLE, 1.0);
    add_attribute(d, "DefaultUnitAbreviation", Parameter::PT_STRING, "m");
    return true;
}

void* Scene::query_interface(UniqueID const& id)
{
    if (id == scene_iid())
        return this;
    if (id == SceneInterface::iid())
        return static_cast<SceneInterface*>(this);
    return nullptr;
}

ComponentList Scene::items() const
{
    ComponentList out;
    std::vector<Component> stack(top_.rbegin(), top_.rend());
    while (!stack.empty()) {
        Component c = std::move(stack.back());
        stack.pop_back();
        out.push_back(c);
        auto const kids = item_of(c)->children();
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return out;
}

void Scene::add_item(Component const& item)
{
    Item* const i = item_of(item);
    if (!i)
        return;
    Component const keep = item;
    touch_scene(this);
    i->detach();
    top_.push_back(item);
    i->attach_to_scene(this);
}

Component Scene::find_item(String const& name) const
{
    for (Component const& c : items())
        if (item_of(c)->name() == name)
            return c;
    return Component();
}

void Scene::remove_top(Item* item) { std::erase_if(top_, [&](Component const& c) { return item_of(c) == item; }); }

bool Scene::is_selected(Component const& item) const
{
    return std::find(selection_.begin(), selection_.end(), item) != selection_.end();
}

void Scene::select(Component const& item)
{
    Item* const i = item_of(item);
    if (i && i->owner_scene() == this && !is_selected(item)) {
        touch_scene(this);
        selection_.push_back(item);
    }
}

void Scene::deselect(Component const& item)
{
    if (is_selected(item)) {
        touch_scene(this);
        std::erase(selection_, item);
    }
}

void Scene::clear_selection()
{
    if (!selection_.empty()) {
        touch_scene(this);
        selection_.clear();
    }
}

Component Scene::material_library()
{
    if (!material_library_) {
        material_library_ = Component::create("MaterialLibrary");
        material_library_["Name"].set_value("Materials", false);
        add_item(material_library_);
        Component def = Component::create("Material");
        def["Name"].set_value("Default", false);
        item_of(material_library_)->add_child(def);
    }
    return material_library_;
}

namespace {

#define TESKAR_ITEM_TYPE(cls, type_name, label)                                  \
    class cls : public Item {                                                    \
    public:                                                                      \
        static bool describe(ComponentDescription& d)                            \
        {                                                                        \
            describe_item(d, label);                                             \
            return true;                                                         \
        }                                                                        \
        char const* kind() const override { return type_name; }                  \
    };

TESKAR_ITEM_TYPE(GroupItem, "Object", "Group")
TESKAR_ITEM_TYPE(CameraItem, "Camera", "Camera")
TESKAR_ITEM_TYPE(LightItem, "Light", "Light")
TESKAR_ITEM_TYPE(MaterialLibraryItem, "MaterialLibrary", "Material Library")
TESKAR_ITEM_TYPE(MaterialItem, "Material", "Material")

#undef TESKAR_ITEM_TYPE

} // namespace

void register_scene_components(Registry& registry)
{
    register_host_plugin<Scene>(registry, "Scene");
    register_host_plugin<GroupItem>(registry, "Object");
    register_host_plugin<CameraItem>(registry, "Camera");
    register_host_plugin<LightItem>(registry, "Light");
    register_host_plugin<MaterialLibraryItem>(registry, "MaterialLibrary");
    register_host_plugin<MaterialItem>(registry, "Material");
}

Component new_scene()
{
    Component scene = Component::create("Scene");
    scene_of(scene)->material_library();
    set_active_scene(scene);
    return scene;
}

void set_active_scene(Component const& scene) { Kernel::instance().set_active_scene(scene); }

} // namespace teskar

namespace VORNSDK {

using teskar::scene_of;

namespace {

teskar::Scene* resolve_scene(Component const& scene)
{
    return scene_of(scene ? scene : teskar::Kernel::instance().active_scene());
}

} // namespace

TreeNodeInterface::~TreeNodeInterface() = default;
SceneItemInterface::~SceneItemInterface() = default;
SceneInterface::~SceneInterface() = default;

Component active_scene() { return teskar::Kernel::instance().active_scene(); }

ComponentList current_selection(Component const& scene)
{
    auto* s = resolve_scene(scene);
    return s ? s->selection() : ComponentList();
}

void add_to_selection(Component const& item)
{
    if (auto* i = teskar::item_of(item); i && i->owner_scene())
        i->owner_scene()->select(item);
}

void remove_from_selection(Component const& item)
{
    if (auto* i = teskar::item_of(item); i && i->owner_scene())
        i->owner_scene()->deselect(item);
}

void clear_selection(Component const& scene)
{
    if (auto* s = resolve_scene(scene))
        s->clear_selection();
}

int selection_mode() { return teskar::Kernel::instance().selection_mode(); }

void set_selection_mode(int mode)
{
    auto& kernel = teskar::Kernel::instance();
    if (kernel.selection_mode() == mode)
        return;
    if (auto* j = teskar::UndoHistory::instance().part_for<teskar::ModeJournal>(
            &teskar::kModeTarget, [] { return std::make_unique<teskar::ModeJournal>(); }))
        j->save();
    kernel.set_selection_mode(mode);
}

bool in_mesh_selection_mode()
{
    int const mode = selection_mode();
    return mode == kSelectPoints || mode == kSelectEdges || mode == kSelectPolygons;
}

} // namespace VORNSDK
