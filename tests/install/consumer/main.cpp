// Reads a mesh and a normal map through the installed library and prints what it read:
// "N triangles, W x H, D bits".
#include <cstdio>

#include "image/TGAIO.h"
#include "mesh/RvFileIO.h"

int main(int argc, char** argv) {
    FILE* mesh = argc == 3 ? std::fopen(argv[1], "rb") : nullptr;
    FILE* map = argc == 3 ? std::fopen(argv[2], "rb") : nullptr;
    int numTris = 0, width = 0, height = 0, depth = 0;
    RvRawTriangle* tris = nullptr;
    BYTE* pixels = nullptr;
    const bool read = mesh && map && RvReadTriangles(mesh, &numTris, &tris) &&
                      TGAReadImage(map, &width, &height, &depth, &pixels);
    if (read) std::printf("%d triangles, %d x %d, %d bits\n", numTris, width, height, depth);
    // The arrays are the caller's, also after a failed read.
    delete[] tris;
    delete[] pixels;
    if (mesh) std::fclose(mesh);
    if (map) std::fclose(map);
    return read ? 0 : 1;
}
