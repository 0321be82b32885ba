// Benchmarks of the mesh library's operations.
#ifndef BENCH_MESHBENCH_H
#define BENCH_MESHBENCH_H

// Registers the weld, the literal weld it replaces and the smoothed tangent spaces.
void RegisterMeshBenchmarks();

#endif
