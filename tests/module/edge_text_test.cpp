#include "edge_tools/edge_text.h"

#include <gtest/gtest.h>

using namespace VORNSDK;
using namespace tolvir;

TEST(EdgeText, WritesExactlyAndReadsBackKeepingOrderAndDirection)
{
    EXPECT_EQ(edge_text({12, 15}), "(12,15)");
    VertexPair const list[] = {{15, 12}, {3, 4}};
    EXPECT_EQ(edge_list_text({}), "\n");
    auto const edges = read_edge_list(edge_list_text(list));
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_TRUE(edges[0].same_direction({15, 12}));
    EXPECT_TRUE(edges[1].same_direction({3, 4}));
    EXPECT_EQ(read_edge_list(" ( 1 , 2 )\n(3,4)").size(), 2u);
}

TEST(EdgeText, ReadingStopsAtTheFirstMalformedEntry)
{
    EXPECT_TRUE(read_edge_list("").empty());
    EXPECT_TRUE(read_edge_list("1,2)").empty());
    EXPECT_EQ(read_edge_list("(1,2)(3;4)(5,6)").size(), 1u);
    EXPECT_EQ(read_edge_list("(1,2)(-3,4)").size(), 1u);
    EXPECT_EQ(read_edge_list("(1,2)(4294967295,4)").size(), 1u);
    EXPECT_EQ(read_edge_list("(1,2)(99999999999999999999,4)").size(), 1u);
    std::string_view text = "(7,8";
    VertexPair e{1, 1};
    EXPECT_FALSE(read_edge_text(text, e));
    EXPECT_EQ(text, "(7,8");
    EXPECT_TRUE(e.same_direction({1, 1}));
}
