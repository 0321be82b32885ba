// The lines that say what was loaded, and what about it a user would want to know.
#include <cstdio>
#include <string>

#include "viewer/RVFView.h"

void PrintLoadSummary() {
    // An RVF file holds no tangents; an imported one may.
    const char* tangents = !gMeshImported             ? ""
                           : gFileTangents != nullptr ? " (tangents in the file)"
                                                      : " (no tangents in the file)";
    printf("Mesh: %d %s, %d welded %s%s. Map: %d x %d, %d bits.\n", gNumTris,
           CountNoun(gNumTris, "triangle", "triangles"), gNumVerts,
           CountNoun(gNumVerts, "vertex", "vertices"), tangents, gTexInfo.width, gTexInfo.height,
           gTexInfo.bitDepth);

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
    if (gMapGreyscale) warnings += "; the map is greyscale (a height map, not a normal map)";
    if (!warnings.empty()) printf("Warning: %s.\n", warnings.c_str() + 2);
}
