// Which triangles of a frame can make a fragment. A filled triangle, without multisampling or
// polygon smoothing, makes fragments only at the pixel centres it covers, so one that covers no
// pixel centre of the viewport draws nothing: leaving it out changes no colour and no depth, and
// the triangles that are kept keep their order.
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#include "viewer/RVFView.h"

namespace {

// A triangle whose box holds more pixel centres than this is kept without looking closer.
constexpr int kMostCentresTried = 4;

// How far beyond the viewport a vertex may lie for its triangles to be looked at closely; the
// floats of one farther off have too few digits left for the edges.
constexpr double kNearby = 8.0;

// Window coordinates less a half, so that pixel k's centre lies at k.
constexpr double kCentre = 0.5;

// floor(v) for |v| well inside the int range.
int Floor(double v) {
    const int i = static_cast<int>(v);
    return i - (v < i);
}

// Whether the triangle a, b, c may make a fragment: a centre of the viewport lies within
// `margin` of it.
bool Covers(const CoveringVertex& a, const CoveringVertex& b, const CoveringVertex& c, float margin) {
    int after[2], upTo[2];  // the centres of each axis within the box: after < k <= upTo
    for (int axis = 0; axis < 2; ++axis) {
        after[axis] = std::min(std::min(a.after[axis], b.after[axis]), c.after[axis]);
        upTo[axis] = std::max(std::max(a.upTo[axis], b.upTo[axis]), c.upTo[axis]);
    }
    if (upTo[0] <= after[0] || upTo[1] <= after[1]) return false;
    if (static_cast<long long>(upTo[0] - after[0]) * (upTo[1] - after[1]) > kMostCentresTried) return true;
    // A corner far off or behind the eye has no number.
    if (a.x != a.x || b.x != b.x || c.x != c.x) return true;
    // Each edge from its corner p; inside is where its cross product with the way to the
    // centre has the area's sign, and outside the centre lies |cross| / |edge| from its line.
    const CoveringVertex* p[3] = {&a, &b, &c};
    float ex[3], ey[3], reach[3];
    for (int e = 0; e < 3; ++e) {
        ex[e] = p[(e + 1) % 3]->x - p[e]->x;
        ey[e] = p[(e + 1) % 3]->y - p[e]->y;
        reach[e] = margin * margin * (ex[e] * ex[e] + ey[e] * ey[e]);
    }
    const float area = ex[0] * ey[1] - ey[0] * ex[1];
    // Without area here, GL's rounding may still give the triangle some.
    if (area == 0) return true;
    const float side = area > 0 ? 1.0f : -1.0f;
    for (int y = after[1] + 1; y <= upTo[1]; ++y) {
        for (int x = after[0] + 1; x <= upTo[0]; ++x) {
            bool near = true;
            for (int e = 0; e < 3; ++e) {
                const float cross = side * (ex[e] * (y - p[e]->y) - ey[e] * (x - p[e]->x));
                near = near & ((cross >= 0) | (cross * cross <= reach[e]));
            }
            if (near) return true;
        }
    }
    return false;
}

// Places vertices first to first + count - 1 of `positions` on the screen.
void PlaceVertices(const float* positions, int first, int count, const double* clipFromObject,
                   const float* viewport, double margin, CoveringVertex* placed) {
    const double* m = clipFromObject;
    // The first and last pixel of each axis whose centre lies inside the viewport; none, in a
    // viewport without centres or beyond the ints.
    int firstPixel[2], lastPixel[2];
    for (int axis = 0; axis < 2; ++axis) {
        const double from = viewport[axis], to = double(viewport[axis]) + viewport[axis + 2];
        firstPixel[axis] = 1;
        lastPixel[axis] = 0;
        if (from - kCentre > -1e9 && to < 1e9) {
            firstPixel[axis] = -Floor(kCentre - from);
            lastPixel[axis] = Floor(to - kCentre);
        }
    }
    if (firstPixel[0] > lastPixel[0] || firstPixel[1] > lastPixel[1]) {
        for (int i = first; i < first + count; ++i) placed[i] = {0.0f, 0.0f, {0, 0}, {0, 0}};
        return;
    }
    // Window coordinates less kCentre are middle + ndc * halfSize.
    const double middle[2] = {viewport[0] + 0.5 * viewport[2] - kCentre,
                              viewport[1] + 0.5 * viewport[3] - kCentre};
    const double halfSize[2] = {0.5 * viewport[2], 0.5 * viewport[3]};
    for (int i = first; i < first + count; ++i) {
        const float* p = &positions[3 * static_cast<size_t>(i)];
        const double clip[3] = {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
                                m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
                                m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15]};
        const double w = clip[2];
        const double perW = 1.0 / w;
        CoveringVertex& s = placed[i];
        bool nearby = w > 0;
        double window[2];
        for (int axis = 0; axis < 2; ++axis) {
            const int lo = firstPixel[axis], hi = lastPixel[axis];
            window[axis] = middle[axis] + clip[axis] * perW * halfSize[axis];
            // The centres k with window - margin <= k <= window + margin, as after < k <= upTo,
            // within the viewport's; a vertex not in front of the eye, or a NaN, gives them all.
            s.after[axis] = lo - 1;
            s.upTo[axis] = hi;
            if (w > 0 && window[axis] == window[axis]) {
                const double below = std::clamp(window[axis] - margin, lo - 2.0, hi + 2.0);
                const double above = std::clamp(window[axis] + margin, lo - 2.0, hi + 2.0);
                s.after[axis] = std::clamp(-Floor(-below) - 1, lo - 1, hi);
                s.upTo[axis] = std::clamp(Floor(above), lo - 1, hi);
            }
            nearby = nearby && window[axis] > lo - kNearby && window[axis] < hi + kNearby;
        }
        s.x = nearby ? static_cast<float>(window[0]) : std::numeric_limits<float>::quiet_NaN();
        s.y = static_cast<float>(window[1]);
    }
}

// Writes to `kept` the index triples of those of the `count` triangles that may make a fragment,
// in their order, and returns how many.
int KeepCovering(const RvIndex* triangles, int count, const CoveringVertex* placed, float margin,
                 GLuint* kept) {
    int keptCount = 0;
    for (int t = 0; t < count; ++t) {
        const int* v = triangles[t].idx;
        if (!Covers(placed[v[0]], placed[v[1]], placed[v[2]], margin)) continue;
        GLuint* out = &kept[3 * static_cast<size_t>(keptCount++)];
        out[0] = static_cast<GLuint>(v[0]);
        out[1] = static_cast<GLuint>(v[1]);
        out[2] = static_cast<GLuint>(v[2]);
    }
    return keptCount;
}

// The triangles are looked at a chunk at a time on a second thread, while the caller's thread
// sends the chunks found before; both threads first place half of the vertices.
constexpr int kChunks = 16;

struct Finding {
    const float* positions;
    int numVerts;
    const RvIndex* triangles;
    int numTris;
    const double* clipFromObject;
    const float* viewport;
    double margin;
    CoveringVertex* placed;
    GLuint* kept;
    std::mutex mutex;
    std::condition_variable changed;
    int halvesPlaced = 0;
    int chunksFound = 0;
    int keptIn[kChunks] = {};
};

int ChunkStart(const Finding& f, int chunk) {
    return static_cast<int>(static_cast<long long>(f.numTris) * chunk / kChunks);
}

void PlaceHalf(Finding* f, int half) {
    const int middle = f->numVerts / 2;
    PlaceVertices(f->positions, half == 0 ? 0 : middle, half == 0 ? middle : f->numVerts - middle,
                  f->clipFromObject, f->viewport, f->margin, f->placed);
    {
        std::lock_guard<std::mutex> lock(f->mutex);
        ++f->halvesPlaced;
    }
    f->changed.notify_all();
}

void FindChunks(Finding* f) {
    PlaceHalf(f, 1);
    {
        std::unique_lock<std::mutex> lock(f->mutex);
        f->changed.wait(lock, [f] { return f->halvesPlaced == 2; });
    }
    for (int chunk = 0; chunk < kChunks; ++chunk) {
        const int first = ChunkStart(*f, chunk);
        const int kept =
            KeepCovering(&f->triangles[first], ChunkStart(*f, chunk + 1) - first, f->placed,
                         static_cast<float>(f->margin), &f->kept[3 * static_cast<size_t>(first)]);
        {
            std::lock_guard<std::mutex> lock(f->mutex);
            f->keptIn[chunk] = kept;
            f->chunksFound = chunk + 1;
        }
        f->changed.notify_all();
    }
}

}  // namespace

void FindCoveringTriangles(const float* positions, int numVerts, const RvIndex* triangles, int numTris,
                           const double* clipFromObject, const float* viewport, double margin,
                           CoveringVertex* placed, GLuint* kept,
                           void (*send)(int first, int count, void* context), void* context) {
    Finding f;
    f.positions = positions;
    f.numVerts = numVerts;
    f.triangles = triangles;
    f.numTris = numTris;
    f.clipFromObject = clipFromObject;
    f.viewport = viewport;
    f.margin = margin;
    f.placed = placed;
    f.kept = kept;
    std::thread finder;
    try {
        finder = std::thread(FindChunks, &f);
    } catch (const std::system_error&) {
        // Without a second thread every chunk is found here first.
    }
    PlaceHalf(&f, 0);
    if (!finder.joinable()) FindChunks(&f);
    for (int chunk = 0; chunk < kChunks; ++chunk) {
        int found;
        {
            std::unique_lock<std::mutex> lock(f.mutex);
            f.changed.wait(lock, [&f, chunk] { return f.chunksFound > chunk; });
            found = f.keptIn[chunk];
        }
        if (found > 0) send(ChunkStart(f, chunk), found, context);
    }
    if (finder.joinable()) finder.join();
}
