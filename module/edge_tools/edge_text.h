#pragma once

#include "vornsdk/index_set.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvir {

// The text of an edge: "(" v1 "," v2 ")", in decimal without blanks, keeping the pair's order.
std::string edge_text(VORNSDK::VertexPair const& edge);

// An edge list: the edge texts one after another and a single end-of-line after the last.
std::string edge_list_text(std::span<VORNSDK::VertexPair const> edges);

// Reads one edge text from the front of text, skipping blanks before each part, and advances
// text past it. False (text unchanged) when the front is not an edge text.
bool read_edge_text(std::string_view& text, VORNSDK::VertexPair& edge);

// The edges of a list, read one after the other until the end or the first malformed entry.
std::vector<VORNSDK::VertexPair> read_edge_list(std::string_view text);

} // namespace tolvir
