// Debug overlays: one short line per welded vertex along one of its frame vectors.
#include "viewer/RVFView.h"

namespace {

typedef float64 (RvTangentPointD::*Direction)[3];

// One batch of lines from each vertex's position to position + offset * direction.
void DrawVertexLines(Direction direction, double offset) {
    glBegin(GL_LINES);
    for (int v = 0; v < gNumVerts; ++v) {
        const RvTangentPointD& p = gVertices[v];
        const float64* d = p.*direction;
        glVertex3dv(p.vertex);
        glVertex3d(p.vertex[0] + d[0] * offset, p.vertex[1] + d[1] * offset, p.vertex[2] + d[2] * offset);
    }
    glEnd();
}

}  // namespace

void DrawNormal(double offset) { DrawVertexLines(&RvTangentPointD::normal, offset); }

void DrawTangent(double offset) { DrawVertexLines(&RvTangentPointD::tangent, offset); }

void DrawBinormal(double offset) { DrawVertexLines(&RvTangentPointD::binormal, offset); }
