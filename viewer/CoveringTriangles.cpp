// Which triangles of a frame can make a fragment. A filled triangle, without multisampling or
// polygon smoothing, makes fragments only at the pixel centres it covers, so one whose box on
// the screen holds no pixel centre of the viewport draws nothing: leaving it out changes no
// colour and no depth, and the triangles that are kept keep their order.
#include <algorithm>
#include <cmath>

#include "viewer/RVFView.h"

namespace {

// How far GL's window coordinates may lie from ours: its transform in single precision and its
// snapping to sub-pixel steps move a vertex by far less.
constexpr double kMargin = 1.0 / 16.0;

}  // namespace

int CoveringTriangles(const float* positions, int numVerts, const RvIndex* triangles, int numTris,
                      const double* clipFromObject, const float* viewport, int* bounds, GLuint* kept) {
    const double* m = clipFromObject;
    // Pixel k of an axis has its centre at k + 0.5; first and last are those inside the viewport.
    double first[2], last[2];
    for (int axis = 0; axis < 2; ++axis) {
        first[axis] = std::ceil(viewport[axis] - 0.5);
        last[axis] = std::floor(viewport[axis] + viewport[axis + 2] - 0.5);
        if (!(first[axis] <= last[axis])) return 0;
    }
    // Each vertex: the pixels of each axis whose centre lies within kMargin of it, clipped to the
    // viewport; all of them for a vertex not in front of the eye, whose triangles are kept.
    for (int i = 0; i < numVerts; ++i) {
        const float* p = &positions[3 * static_cast<size_t>(i)];
        const double clip[3] = {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
                                m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
                                m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15]};
        const double w = clip[2];
        int* b = &bounds[4 * static_cast<size_t>(i)];
        for (int axis = 0; axis < 2; ++axis) {
            double lo = first[axis], hi = last[axis];
            if (w > 0.0) {
                const double window = viewport[axis] + (clip[axis] / w * 0.5 + 0.5) * viewport[axis + 2];
                // A NaN leaves the whole axis.
                lo = std::fmax(std::ceil(window - kMargin - 0.5), first[axis]);
                hi = std::fmin(std::floor(window + kMargin - 0.5), last[axis]);
                lo = std::fmin(lo, last[axis] + 1);
                hi = std::fmax(hi, first[axis] - 1);
            }
            b[2 * axis] = static_cast<int>(lo);
            b[2 * axis + 1] = static_cast<int>(hi);
        }
    }
    int count = 0;
    for (int t = 0; t < numTris; ++t) {
        const int* v = triangles[t].idx;
        const int* a = &bounds[4 * static_cast<size_t>(v[0])];
        const int* b = &bounds[4 * static_cast<size_t>(v[1])];
        const int* c = &bounds[4 * static_cast<size_t>(v[2])];
        const bool covers = std::min({a[0], b[0], c[0]}) <= std::max({a[1], b[1], c[1]}) &&
                            std::min({a[2], b[2], c[2]}) <= std::max({a[3], b[3], c[3]});
        if (!covers) continue;
        GLuint* out = &kept[3 * static_cast<size_t>(count++)];
        out[0] = static_cast<GLuint>(v[0]);
        out[1] = static_cast<GLuint>(v[1]);
        out[2] = static_cast<GLuint>(v[2]);
    }
    return count;
}
