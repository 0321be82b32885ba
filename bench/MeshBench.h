// Benchmarks of the mesh library's operations.
#ifndef BENCH_MESHBENCH_H
#define BENCH_MESHBENCH_H

// Registers the RVF read, the weld, the literal weld it replaces, the smoothed tangent spaces
// and the Targa read of a map with about as many texels as the mesh has triangles.
void RegisterMeshBenchmarks();

#endif
