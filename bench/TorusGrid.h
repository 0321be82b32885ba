// The benchmark meshes: texture-mapped torus grids with smooth normals and two texture seams.
#ifndef BENCH_TORUSGRID_H
#define BENCH_TORUSGRID_H

#include <vector>

#include "mesh/RvFileIO.h"

// A grid of `around` x `across` quads (two triangles each) wrapped around a torus: u runs once
// around the ring and v once around the tube, so the first and last rows and columns meet at
// seams. Welded, it has (around + 1) x (across + 1) vertices. Triangles come quad by quad, row
// by row, or in a fixed pseudo-random order when `shuffled`.
std::vector<RvRawTriangle> MakeTorusGrid(int around, int across, bool shuffled);

// The grid sizes of the benchmarks: about `triangles` triangles, twice as many quads around the
// ring as across the tube.
void TorusGridSize(int triangles, int* around, int* across);

#endif
