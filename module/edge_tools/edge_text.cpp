#include "edge_tools/edge_text.h"

#include <charconv>

namespace tolvir {

using namespace VORNSDK;

std::string edge_text(VertexPair const& edge)
{
    return '(' + std::to_string(edge.v1) + ',' + std::to_string(edge.v2) + ')';
}

std::string edge_list_text(std::span<VertexPair const> edges)
{
    std::string text;
    for (VertexPair const& e : edges)
        text += edge_text(e);
    return text + '\n';
}

namespace {

void skip_blanks(std::string_view& text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
}

bool expect(std::string_view& text, char c)
{
    skip_blanks(text);
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

bool index(std::string_view& text, Index& out)
{
    skip_blanks(text);
    std::uint64_t value = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value >= kNoIndex)
        return false;
    out = static_cast<Index>(value);
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

} // namespace

bool read_edge_text(std::string_view& text, VertexPair& edge)
{
    std::string_view rest = text;
    VertexPair e;
    if (!expect(rest, '(') || !index(rest, e.v1) || !expect(rest, ',') || !index(rest, e.v2) || !expect(rest, ')'))
        return false;
    edge = e;
    text = rest;
    return true;
}

std::vector<VertexPair> read_edge_list(std::string_view text)
{
    std::vector<VertexPair> edges;
    VertexPair e;
    while (read_edge_text(text, e))
        edges.push_back(e);
    return edges;
}

} // namespace tolvir
