// What the frame's comparison with the literal draw cannot see: triangles left out that cover no
// pixel centre, and one with a corner behind the eye kept.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/RVFView.h"

namespace {

// Whether one triangle, given in window coordinates of a 512 x 512 viewport at (0, 0), is found
// to cover a centre: through the identity transform, the corner at z = 1 at w = `w0`.
bool Kept(std::vector<float> positions, float w0) {
    for (size_t i = 0; i < positions.size(); ++i)
        if (i % 3 != 2) positions[i] = positions[i] / 256 - 1;
    const double clipFromObject[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, w0 - 1.0, 0, 0, 0, 1};
    const float viewport[4] = {0, 0, 512, 512};
    const RvIndex triangle = {{0, 1, 2}};
    CoveringVertex placed[3];
    GLuint kept[3];
    int sent = 0;
    FindCoveringTriangles(
        positions.data(), 3, &triangle, 1, clipFromObject, viewport, placed, kept,
        [](int, int count, void* total) { *static_cast<int*>(total) += count; }, &sent);
    return sent == 1;
}

TEST(FindCoveringTriangles, KeepTheTrianglesNearAPixelCentre) {
    const struct {
        const char* what;
        std::vector<float> window;  // x, y, z of each corner
        float w0;
        bool kept;
    } cases[] = {
        {"between centres", {10.6f, 10.6f, 0, 11.4f, 10.6f, 0, 11.0f, 11.4f, 0}, 1, false},
        // The centre (10.5, 10.5) lies 0.07 off its long side.
        {"box holds a centre, it does not", {10.0f, 10.0f, 0, 10.9f, 10.0f, 0, 10.0f, 10.9f, 0}, 1, false},
        // Seen through the eye, the corner behind it would fall between the same centres as the
        // others, but the triangle runs out to the edges of the window.
        {"a corner behind the eye", {256.2f, 256.2f, 1, 255.7f, 256.3f, 0, 256.3f, 255.7f, 0}, -1, true},
    };
    for (const auto& c : cases) EXPECT_EQ(Kept(c.window, c.w0), c.kept) << c.what;
}

}  // namespace
