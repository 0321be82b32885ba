#include <gtest/gtest.h>

#include <vector>

#include "viewer/RVFView.h"

namespace {

// Keeps the slot and count of every chunk sent.
void Collect(int first, int count, void* sent) {
    static_cast<std::vector<int>*>(sent)->push_back(first);
    static_cast<std::vector<int>*>(sent)->push_back(count);
}

// Whether one triangle, given in window coordinates of a 512 x 512 viewport at (0, 0), through the
// identity transform (w = 1), or with its first corner at w = `w0`, is found to cover a centre.
bool Kept(std::vector<float> window, float w0 = 1) {
    std::vector<float> positions;
    for (size_t i = 0; i < window.size(); ++i)
        positions.push_back(i % 3 == 2 ? window[i] : window[i] / 256 - 1);
    double clipFromObject[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // w = 1 + (w0 - 1) x z, for corners at z = 1 and z = 0.
    clipFromObject[11] = w0 - 1;
    const float viewport[4] = {0, 0, 512, 512};
    const RvIndex triangle = {{0, 1, 2}};
    CoveringVertex placed[3];
    GLuint kept[3] = {9, 9, 9};
    std::vector<int> sent;  // slot and count of every chunk sent
    FindCoveringTriangles(positions.data(), 3, &triangle, 1, clipFromObject, viewport, placed, kept, Collect,
                          &sent);
    const bool found = sent == std::vector<int>{0, 1};
    EXPECT_TRUE(sent.empty() || (found && kept[0] == 0 && kept[1] == 1 && kept[2] == 2));
    return found;
}

TEST(FindCoveringTriangles, KeepExactlyTheTrianglesNearAPixelCentre) {
    const struct {
        const char* what;
        std::vector<float> window;  // x, y, z of each corner; z = 1 marks the corner w0 moves
        float w0;
        bool kept;
    } cases[] = {
        {"around a centre", {10.2f, 10.2f, 0, 10.9f, 10.3f, 0, 10.4f, 10.8f, 0}, 1, true},
        {"between centres", {10.6f, 10.6f, 0, 11.4f, 10.6f, 0, 11.0f, 11.4f, 0}, 1, false},
        {"a corner a twentieth from a centre", {10.55f, 10.5f, 0, 11.4f, 10.3f, 0, 11.0f, 10.8f, 0}, 1, true},
        {"a tenth short of a centre row", {10.2f, 10.6f, 0, 10.9f, 10.6f, 0, 10.4f, 11.4f, 0}, 1, false},
        // The centre (10.5, 10.5) lies 0.07 off the long side of the first, 0.035 of the second.
        {"box holds a centre, it does not", {10.0f, 10.0f, 0, 10.9f, 10.0f, 0, 10.0f, 10.9f, 0}, 1, false},
        {"near a centre off its long side", {10.0f, 10.0f, 0, 10.95f, 10.0f, 0, 10.0f, 10.95f, 0}, 1, true},
        {"long and thin between rows", {0.0f, 20.6f, 0, 500.0f, 20.7f, 0, 300.0f, 21.4f, 0}, 1, false},
        {"left of the viewport", {-40.0f, 10.0f, 0, -1.0f, 10.0f, 0, -20.0f, 30.0f, 0}, 1, false},
        {"across the whole viewport", {-900.0f, -900.0f, 0, 900.0f, -900.0f, 0, 0.0f, 900.0f, 0}, 1, true},
        // Seen through the eye, the corner behind it would fall between the same centres as the
        // others, but the triangle runs out to the edges of the window.
        {"a corner behind the eye", {256.2f, 256.2f, 1, 255.7f, 256.3f, 0, 256.3f, 255.7f, 0}, -1, true},
    };
    for (const auto& c : cases) EXPECT_EQ(Kept(c.window, c.w0), c.kept) << c.what;
}

}  // namespace
