// MikkTSpace tangents: the per-corner tangent basis that most normal-map bakers and engines use,
// and that glTF 2.0 asks for when a file stores no tangents. Same conventions as
// mesh/RvFileIO.h.
#ifndef MESH_MIKKTSPACE_H
#define MESH_MIKKTSPACE_H

#include "mesh/RvFileIO.h"

// Computes the MikkTSpace tangent of every corner of the numTris triangles into `tangents`:
// per corner, in order, x, y, z of a unit tangent and w = +1 or -1, so that the bitangent is
// w * cross(N, T) with N the corner's normal (glTF's TANGENT). Corners equal to the bit in
// position, normal and texture coordinate (-0 equal to +0) are one vertex; the result matches
// the method's published implementation to float rounding, except that every two triangles
// that share an edge the same way round are joined here, where that implementation (which
// leaves the last run of its sorted edges unsorted) can miss some around the vertex it numbers
// last when more than two triangles meet there.
// Where that implementation leaves a corner without a frame, the tangent is the x axis made
// perpendicular to N, or the y axis when N is within 26 degrees of x (so (1,0,0) whenever N is
// perpendicular to x):
// - corners of triangles without area (two corners at one position) take the result of the
//   first corner, in list order, that is the same vertex on a triangle with area; without one,
//   that axis and w = -1;
// - corners of triangles without texture area take their neighbours' frame across shared edges;
//   a corner that no neighbour's frame reaches gets that axis and w = -1;
// - where the directions averaged at a corner cancel or lie along N, that axis with the
//   corner's w.
// False, with nothing written, for numTris < 1 or over INT_MAX / 3, a null pointer, a number
// that is not finite, or memory that cannot be had. Lists of 4096 triangles and more are
// computed with one more thread, for the call; the result is the same to the bit.
// tangents has room for 12 x numTris floats.
bool RvComputeMikkTangents(int numTris, const RvRawTriangle* tris, float* tangents);

#endif
