#include "obj_count.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What the lines of a text hold, read one by one.
vorn::ObjCounts held(std::string const& text)
{
    std::istringstream in(text);
    vorn::ObjCounts c;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string keyword, word;
        words >> keyword;
        std::size_t n = 0;
        while (words >> word)
            ++n;
        c.points += keyword == "v";
        c.polygons += keyword == "f";
        c.corners += keyword == "f" ? n : 0;
    }
    return c;
}

// Lines of "v" and "f" and empty ones (or, with any_line, every kind a file may hold), with
// blanks of every kind between words, sometimes closing with blanks or a carriage return, long
// enough to be counted in many vector steps.
std::string random_text(std::mt19937& random, bool any_line)
{
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    auto blanks = [&] { return std::string(" \t  ").substr(std::size_t(pick(3)), std::size_t(1 + pick(2))); };
    // Pieces are appended one by one: GCC 12 warns wrongly on a literal joined to a string.
    auto number = [&] {
        std::string n = std::to_string(pick(2000) - 1000);
        if (pick(2)) {
            n += '.';
            n += std::to_string(pick(100000));
        }
        return n;
    };
    std::string text;
    auto words = [&](std::string const& keyword, int n, auto const& word) {
        text += keyword;
        for (int k = 0; k < n; ++k) {
            text += blanks();
            text += word();
        }
    };
    auto corner = [&] {
        std::string c = std::to_string(1 + pick(99999));
        for (char const* part : {"/", "//"})
            if (pick(3) == 0) {
                c += part;
                c += std::to_string(1 + pick(9));
            }
        return c;
    };
    int const lines = 1500 + pick(1000);
    for (int i = 0; i < lines; ++i) {
        int const kind = pick(any_line ? 9 : 3);
        if (kind >= 3 && any_line && pick(3) == 0)
            text += blanks(); // indented
        if (kind == 0 || kind == 3)
            words("v", kind == 3 ? 3 + pick(4) : 3, number);
        else if (kind == 1)
            words("f", 3 + pick(6), corner);
        else if (kind == 4)
            words("vt", 1 + pick(2), number);
        else if (kind == 5)
            words("vn", 3, number);
        else if (kind == 6)
            words("# a comment of", 2, [] { return std::string("words"); });
        else if (kind == 7)
            words(pick(2) ? "usemtl" : "o", 1, [] { return std::string("name"); });
        if (pick(4) == 0 && (any_line || kind < 2)) // blanks alone may start any line
            text += blanks();
        text += pick(5) == 0 ? "\r\n" : "\n";
    }
    if (pick(2))
        text.pop_back(); // no line end after the last line
    return text;
}

TEST(ObjCount, ExactForKeywordLinesAndNeverShort)
{
    std::mt19937 random(11);
    std::vector<std::string> const short_texts = {"", "v 1 2 3", "f 1 2 3", "v 1 2 3\n", "\nf 1 2 3", "f\t1\t2\t3\r"};
    for (std::size_t round = 0; round < 40 + short_texts.size(); ++round) {
        bool const any_line = round % 2 == 1 && round < 40;
        std::string const text = round < 40 ? random_text(random, any_line) : short_texts[round - 40];
        SCOPED_TRACE(text.substr(0, 200));
        vorn::ObjCounts const counted = vorn::count_obj_lines(text), truth = held(text);
        if (!any_line) {
            EXPECT_EQ(counted.points, truth.points);
            EXPECT_EQ(counted.polygons, truth.polygons);
            EXPECT_EQ(counted.corners, truth.corners);
        }
        EXPECT_GE(counted.points, truth.points);
        EXPECT_GE(counted.polygons, truth.polygons);
        EXPECT_GE(counted.corners, truth.corners);

        // Counted in parts cut at line ends, the sums are the same.
        std::size_t const cut = text.find('\n', text.size() / 3) + 1;
        vorn::ObjCounts parts = vorn::count_obj_lines(std::string_view(text).substr(0, cut));
        parts += vorn::count_obj_lines(std::string_view(text).substr(cut));
        EXPECT_EQ(parts.points, counted.points);
        EXPECT_EQ(parts.polygons, counted.polygons);
        EXPECT_EQ(parts.corners, counted.corners);
    }
}

} // namespace
