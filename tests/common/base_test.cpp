#include "vornsdk/math.h"
#include "vornsdk/string.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace VORNSDK;

TEST(String, RoundTripsUtf8AndReplacesMalformedBytes)
{
    std::string const text = "Box_1 \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80";
    String const s(text);
    EXPECT_EQ(s.to_utf8(), text);
    EXPECT_EQ(s.length(), 12u); // the emoji takes two 16-bit characters
    EXPECT_EQ(String(std::string_view("a\xFF\xC3", 3)).chars(), (std::u16string{u'a', 0xFFFD, 0xFFFD}));
    // Null differs from empty but compares equal.
    EXPECT_TRUE(String().is_null());
    EXPECT_FALSE(String("").is_null());
    EXPECT_EQ(String(), String(""));
}

namespace {

void expect_near(Matrix4d const& a, Matrix4d const& b)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], 1e-12) << "element " << i;
}

} // namespace

TEST(Matrix, RowMajorTranslationAndProductOrder)
{
    Matrix4d const t = Matrix4d::translation({1, 2, 3});
    EXPECT_EQ(t.m[3], 1);
    EXPECT_EQ(t.m[7], 2);
    EXPECT_EQ(t.m[11], 3);
    // Scale first, then translate.
    Vector3d const p = transform_point(t * Matrix4d::scaling({2, 2, 2}), {1, 1, 1});
    EXPECT_EQ(p, (Vector3d{3, 4, 5}));
}

TEST(Matrix, InverseUndoesAnAffineTransform)
{
    Matrix4d const m = Matrix4d::translation({4, -1, 2}) * rotation_xyz({0.3, -1.1, 2.0}) * Matrix4d::scaling({1, 2, 3});
    expect_near(m * inverse(m), Matrix4d::identity());
    Matrix4d singular = Matrix4d::scaling({1, 0, 1});
    Matrix4d out = Matrix4d::translation({9, 9, 9});
    EXPECT_FALSE(invert(singular, out));
    EXPECT_EQ(out, Matrix4d::translation({9, 9, 9}));
}

TEST(Matrix, DecomposeRecomposesTheMatrix)
{
    Vector3d const angles{0.4, -0.7, 2.5};
    Matrix4d const m = Matrix4d::translation({1, 2, 3}) * rotation_xyz(angles) * Matrix4d::scaling({2, 3, 4});
    Vector3d t, r, s;
    decompose_matrix_xyz(m, t, r, s);
    EXPECT_NEAR(length(t - Vector3d{1, 2, 3}), 0, 1e-12);
    EXPECT_NEAR(length(s - Vector3d{2, 3, 4}), 0, 1e-12);
    EXPECT_NEAR(length(r - angles), 0, 1e-12);
    expect_near(Matrix4d::translation(t) * rotation_xyz(r) * Matrix4d::scaling(s), m);
}

TEST(Matrix, BestRotationStaysNearThePreviousAngles)
{
    // Past a half turn the plain extraction wraps to -pi..pi; the best angles keep going.
    Vector3d const angles{0.2, 0.1, std::numbers::pi + 0.3};
    Vector3d const best = find_best_xyz_rotation(rotation_xyz(angles), {0.2, 0.1, std::numbers::pi});
    EXPECT_NEAR(length(best - angles), 0, 1e-9);
    // The equivalent set with y past the quarter turn is chosen when it is the nearer one.
    Vector3d const flipped{0.2 + std::numbers::pi, std::numbers::pi - 0.1, 0.4 + std::numbers::pi};
    Vector3d const near_flipped = find_best_xyz_rotation(rotation_xyz({0.2, 0.1, 0.4}), flipped);
    EXPECT_NEAR(length(near_flipped - flipped), 0, 1e-9);
}

TEST(Vector, UnitOfATinyVectorIsZero)
{
    EXPECT_EQ(unit({1e-17, 0, 0}), (Vector3d{}));
    EXPECT_EQ(unit({0, 3, 4}), (Vector3d{0, 0.6, 0.8}));
}
