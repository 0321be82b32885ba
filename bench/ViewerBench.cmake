# The viewer's benchmarks, built with the viewer; they draw in a real window.
if(TARGET rvfview)
  add_executable(rvfview_bench
    ViewerBench.cpp
    BenchTable.cpp
    TorusGrid.cpp
  )
  # Assimp's exporter writes the OBJ and GLB files that the viewer opens directly.
  find_package(assimp CONFIG REQUIRED)
  target_link_libraries(rvfview_bench PRIVATE rvfview rvf_import assimp::assimp rvf_warnings benchmark::benchmark)
  target_compile_options(rvfview_bench PRIVATE -ffp-contract=off)
endif()
