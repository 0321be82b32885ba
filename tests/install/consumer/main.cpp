// Reads a mesh and a normal map through the installed library and prints what it read:
// "N triangles, W x H, D bits". The streams and arrays go with the process.
#include <cstdio>

#include "image/TGAIO.h"
#include "mesh/RvFileIO.h"

int main(int argc, char** argv) {
    FILE* mesh = argc == 3 ? std::fopen(argv[1], "rb") : nullptr;
    FILE* map = argc == 3 ? std::fopen(argv[2], "rb") : nullptr;
    int numTris = 0, width = 0, height = 0, depth = 0;
    RvRawTriangle* tris = nullptr;
    BYTE* pixels = nullptr;
    if (mesh == nullptr || map == nullptr || !RvReadTriangles(mesh, &numTris, &tris) ||
        !TGAReadImage(map, &width, &height, &depth, &pixels))
        return 1;
    std::printf("%d triangles, %d x %d, %d bits\n", numTris, width, height, depth);
    return 0;
}
