# The viewer's benchmarks, built with the viewer; they draw in a real window.
if(TARGET rvfview)
  add_executable(rvfview_bench
    ViewerBench.cpp
    BenchTable.cpp
    TorusGrid.cpp
  )
  target_link_libraries(rvfview_bench PRIVATE rvfview rvf_warnings benchmark::benchmark)
  target_compile_options(rvfview_bench PRIVATE -ffp-contract=off)
endif()
