// The lines that say what was loaded, and what about it a user would want to know.
#include <cstdio>
#include <string>

#include "viewer/RVFView.h"

void PrintLoadSummary() {
    printf("Mesh: %d %s, %d welded %s. Map: %d x %d, %d bits.\n", gNumTris,
           CountNoun(gNumTris, "triangle", "triangles"), gNumVerts,
           CountNoun(gNumVerts, "vertex", "vertices"), gTexInfo.width, gTexInfo.height, gTexInfo.bitDepth);

    std::string warnings;
    int noTextureArea = 0;
    for (int t = 0; t < gNumTris; ++t)
        if (!RvTriangleHasTextureArea(&gTriangles[t])) ++noTextureArea;
    if (noTextureArea > 0)
        warnings += "; " + std::to_string(noTextureArea) + " " +
                    CountNoun(noTextureArea, "triangle", "triangles") +
                    " without texture area (the map has no direction there)";
    if (gTexInfo.format != KIV_BITMAP_FORMAT_8888)
        warnings += "; the map has no alpha channel (the alpha mode shows white)";
    // The rows go to GL as stored, and GL takes the first as the bottom one.
    if (gMapTopRowFirst) warnings += "; the map's rows are stored top first (it shows upside down)";
    if (!warnings.empty()) printf("Warning: %s.\n", warnings.c_str() + 2);
}
