// rvftool info: the figures of one mesh, as text for people or JSON for scripts.
#include <cmath>
#include <cstdio>

#include "mesh/RvFileIO.h"
#include "platform/Progress.h"
#include "tools/common/CommandLine.h"
#include "tools/rvftool/Commands.h"
#include "tools/rvftool/MeshFiles.h"

namespace {

const char kHelp[] =
    "Usage: rvftool info [--json] MESH\n"
    "\n"
    "Prints the figures of MESH, an RVF file or any mesh the importer reads (OBJ, glTF, FBX, ...):\n"
    "  triangles              the triangle count of the file\n"
    "  welded vertices        the distinct vertices RVFView draws after welding the corners\n"
    "  bounds min, max        the smallest and largest x, y, z of the corner positions\n"
    "  degenerate triangles   triangles without area (coincident or collinear corners)\n"
    "  no texture area        triangles whose texture coordinates enclose no area, where the\n"
    "                         normal map has no direction\n"
    "  non-finite triangles   triangles with an infinite or NaN value anywhere\n"
    "  u range, v range       the smallest and largest texture coordinates\n"
    "  tangents in file       whether the file stores tangents (glTF and FBX can; RVF cannot)\n"
    "RVFView leaves out the triangles with a non-finite value, and so does every other figure.\n"
    "Two edges count as collinear when the sine of their angle is below 1e-7.\n"
    "\n"
    "Options:\n"
    "  --json      print one JSON object instead (bounds and ranges are null when no triangle\n"
    "              is finite)\n"
    "  -h, --help  show this help\n";

struct MeshSummary {
    int triangles;
    int weldedVertices;
    int degenerate;
    int noTextureArea;
    int nonFinite;
    bool fileTangents;
    bool haveRanges;  // false when no triangle is finite
    double boundsMin[3];
    double boundsMax[3];
    double texMin[2];
    double texMax[2];
};

// No area: the edges from corner 0 are collinear, one of them possibly of length zero.
bool PositionsDegenerate(const RvRawTriangle& tri) {
    double e1[3], e2[3];
    for (int i = 0; i < 3; ++i) {
        e1[i] = double(tri.vert[1].v[i]) - double(tri.vert[0].v[i]);
        e2[i] = double(tri.vert[2].v[i]) - double(tri.vert[0].v[i]);
    }
    double cx = e1[1] * e2[2] - e1[2] * e2[1];
    double cy = e1[2] * e2[0] - e1[0] * e2[2];
    double cz = e1[0] * e2[1] - e1[1] * e2[0];
    double cross2 = cx * cx + cy * cy + cz * cz;
    double len1 = e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2];
    double len2 = e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2];
    return cross2 <= 1e-14 * len1 * len2;
}

// The figures of the numFinite triangles at the front of tris, of numTris in the file.
void Summarize(int numTris, int numFinite, const RvRawTriangle* tris, MeshSummary* s) {
    s->triangles = numTris;
    s->degenerate = 0;
    s->noTextureArea = 0;
    s->nonFinite = numTris - numFinite;
    s->haveRanges = false;
    for (int t = 0; t < numFinite; ++t) {
        const RvRawTriangle& tri = tris[t];
        if (PositionsDegenerate(tri)) ++s->degenerate;
        if (!RvTriangleHasTextureArea(&tri)) ++s->noTextureArea;
        for (int c = 0; c < 3; ++c) {
            if (!s->haveRanges) {
                for (int i = 0; i < 3; ++i) s->boundsMin[i] = s->boundsMax[i] = tri.vert[c].v[i];
                for (int i = 0; i < 2; ++i) s->texMin[i] = s->texMax[i] = tri.texCoord[c].uv[i];
                s->haveRanges = true;
            }
            for (int i = 0; i < 3; ++i) {
                s->boundsMin[i] = std::fmin(s->boundsMin[i], tri.vert[c].v[i]);
                s->boundsMax[i] = std::fmax(s->boundsMax[i], tri.vert[c].v[i]);
            }
            for (int i = 0; i < 2; ++i) {
                s->texMin[i] = std::fmin(s->texMin[i], tri.texCoord[c].uv[i]);
                s->texMax[i] = std::fmax(s->texMax[i], tri.texCoord[c].uv[i]);
            }
        }
    }
}

// The same welding RVFView does, for its vertex count.
bool CountWeldedVertices(const char* path, int numTris, const RvRawTriangle* tris, int* numVerts) {
    *numVerts = 0;
    if (numTris == 0) return true;
    RvTangentPointD* verts = nullptr;
    RvIndex* indices = nullptr;
    ProgressBegin("welding", 0);
    bool ok = RvCreateVertexBuffers(numTris, tris, numVerts, &verts, &indices);
    ProgressEnd();
    delete[] verts;
    delete[] indices;
    if (!ok) Fail("%s: not enough memory to weld %d triangles", path, numTris);
    return ok;
}

// Floats print with 9 significant digits, enough to give back the stored float exactly.
void PrintText(const MeshSummary& s) {
    std::printf("triangles:            %d\n", s.triangles);
    std::printf("welded vertices:      %d\n", s.weldedVertices);
    if (s.haveRanges) {
        std::printf("bounds min:           %.9g %.9g %.9g\n", s.boundsMin[0], s.boundsMin[1], s.boundsMin[2]);
        std::printf("bounds max:           %.9g %.9g %.9g\n", s.boundsMax[0], s.boundsMax[1], s.boundsMax[2]);
    } else {
        std::printf("bounds min:           none\n");
        std::printf("bounds max:           none\n");
    }
    std::printf("degenerate triangles: %d\n", s.degenerate);
    std::printf("no texture area:      %d\n", s.noTextureArea);
    std::printf("non-finite triangles: %d\n", s.nonFinite);
    if (s.haveRanges) {
        std::printf("u range:              %.9g %.9g\n", s.texMin[0], s.texMax[0]);
        std::printf("v range:              %.9g %.9g\n", s.texMin[1], s.texMax[1]);
    } else {
        std::printf("u range:              none\n");
        std::printf("v range:              none\n");
    }
    std::printf("tangents in file:     %s\n", s.fileTangents ? "yes" : "no");
}

void PrintJsonArray(const char* name, const double* values, int count, bool have, const char* tail) {
    std::printf("    \"%s\": ", name);
    if (!have) {
        std::printf("null%s\n", tail);
        return;
    }
    std::printf("[");
    for (int i = 0; i < count; ++i) std::printf(i == 0 ? "%.9g" : ", %.9g", values[i]);
    std::printf("]%s\n", tail);
}

// Only finite values reach the arrays, so every number printed is a valid JSON number.
void PrintJson(const MeshSummary& s) {
    std::printf("{\n");
    std::printf("  \"triangles\": %d,\n", s.triangles);
    std::printf("  \"weldedVertices\": %d,\n", s.weldedVertices);
    std::printf("  \"bounds\": {\n");
    PrintJsonArray("min", s.boundsMin, 3, s.haveRanges, ",");
    PrintJsonArray("max", s.boundsMax, 3, s.haveRanges, "");
    std::printf("  },\n");
    std::printf("  \"degenerateTriangles\": %d,\n", s.degenerate);
    std::printf("  \"noTextureAreaTriangles\": %d,\n", s.noTextureArea);
    std::printf("  \"nonFiniteTriangles\": %d,\n", s.nonFinite);
    std::printf("  \"texCoords\": {\n");
    PrintJsonArray("min", s.texMin, 2, s.haveRanges, ",");
    PrintJsonArray("max", s.texMax, 2, s.haveRanges, "");
    std::printf("  },\n");
    std::printf("  \"fileTangents\": %s\n", s.fileTangents ? "true" : "false");
    std::printf("}\n");
}

}  // namespace

int RunInfo(int argc, char** argv) {
    static const char* const kOptions[] = {"--json", nullptr};
    CommandLine line;
    int status;
    if (!ParseCommandLine("info", argc, argv, kOptions, &line, &status)) return status;
    if (line.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (line.operands.size() != 1) return UsageError("info", "expects one mesh file");
    const char* path = line.operands[0];

    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    float* fileTangents = nullptr;
    if (!ReadMeshFile(path, &numTris, &tris, &fileTangents)) return kExitFailure;
    MeshSummary summary;
    summary.fileTangents = fileTangents != nullptr;
    delete[] fileTangents;
    int numFinite = RvKeepFiniteTriangles(numTris, tris);
    Summarize(numTris, numFinite, tris, &summary);
    bool welded = CountWeldedVertices(path, numFinite, tris, &summary.weldedVertices);
    delete[] tris;
    if (!welded) return kExitFailure;

    if (HasOption(line, "--json"))
        PrintJson(summary);
    else
        PrintText(summary);
    if (std::fflush(stdout) != 0) return Fail("cannot write to standard output");
    return kExitOk;
}
