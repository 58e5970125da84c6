#include "teskar/host_commands.h"
#include "teskar/host_plugin.h"

#include "vornsdk/attribute.h"
#include "vornsdk/description.h"

#include <limits>
#include <string>

namespace teskar {

using namespace VORNSDK;

namespace {

// Reads the element lists that scripts and modules hand to the selection commands: entries
// like "12" or "(3,4)", each closed by one blank or by the end of the text. The first entry that
// does not fit ends the list; what was read before it stands.
class ListReader {
public:
    explicit ListReader(std::string text) : text_(std::move(text)) {}

    bool next_index(Index& out)
    {
        if (number(out) && entry_end())
            return true;
        return fail();
    }

    bool next_edge(VertexPair& out)
    {
        if (take('(') && number(out.v1) && take(',') && number(out.v2) && take(')') && entry_end())
            return true;
        return fail();
    }

private:
    bool take(char c)
    {
        if (at_ >= text_.size() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }

    bool number(Index& out)
    {
        std::uint64_t value = 0;
        std::size_t const first = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            value = value * 10 + std::uint64_t(text_[at_] - '0');
            if (value > std::numeric_limits<Index>::max())
                return false;
            ++at_;
        }
        out = static_cast<Index>(value);
        return at_ > first;
    }

    bool entry_end() { return at_ == text_.size() || take(' '); }

    // Stops the list for good: later calls answer false too.
    bool fail()
    {
        at_ = text_.size() + 1;
        return false;
    }

    std::string text_;
    std::size_t at_ = 0;
};

enum class Kind { Points, Edges, Faces };

// Selects (or deselects) the listed elements of one kind that exist in the mesh.
template <Kind K, bool Select>
class ListSelection : public MeshCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        describe_command(d, name(), "Select");
        add_attribute(d, attribute_name(), Parameter::PT_STRING, "");
        return true;
    }

protected:
    void edit_mesh(Mesh& mesh) override
    {
        ListReader reader(attribute(attribute_name()).as_string().to_utf8());
        if constexpr (K == Kind::Edges) {
            VertexPair e;
            while (reader.next_edge(e))
                mesh.set_edge_selection(e, Select);
        } else {
            Index i = 0;
            while (reader.next_index(i))
                if constexpr (K == Kind::Points)
                    mesh.set_point_selection(i, Select);
                else
                    mesh.set_polygon_selection(i, Select);
        }
    }

private:
    static char const* attribute_name()
    {
        return K == Kind::Points ? "Points" : K == Kind::Edges ? "Edges" : "Faces";
    }
    static char const* name()
    {
        if constexpr (K == Kind::Points)
            return Select ? "SelectPoints" : "DeselectPoints";
        else if constexpr (K == Kind::Edges)
            return Select ? "SelectEdges" : "DeselectEdges";
        else
            return Select ? "SelectFaces" : "DeselectFaces";
    }
};

} // namespace

void register_list_selection_commands(Registry& registry)
{
    register_host_plugin<ListSelection<Kind::Points, true>>(registry, "SelectPoints");
    register_host_plugin<ListSelection<Kind::Points, false>>(registry, "DeselectPoints");
    register_host_plugin<ListSelection<Kind::Edges, true>>(registry, "SelectEdges");
    register_host_plugin<ListSelection<Kind::Edges, false>>(registry, "DeselectEdges");
    register_host_plugin<ListSelection<Kind::Faces, true>>(registry, "SelectFaces");
    register_host_plugin<ListSelection<Kind::Faces, false>>(registry, "DeselectFaces");
}

} // namespace teskar
