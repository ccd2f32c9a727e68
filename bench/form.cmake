# Benchmarks of the window on a real database (embedded engine): the goods list with 100,000
# goods (reload, tick all, memory, scrolling) and the apply run over 10,000 ticked goods, each
# against a bare loop over the client library in the same run.
add_library(rm_bareloops STATIC ${CMAKE_CURRENT_LIST_DIR}/BareLoops.cpp)
target_include_directories(rm_bareloops PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rm_bareloops PUBLIC rm_qtui rm_ratechange rm_testsupport ${CMAKE_DL_LIBS})

foreach(bench bench_goods bench_apply)
  add_executable(${bench} ${CMAKE_CURRENT_LIST_DIR}/${bench}.cpp)
  target_link_libraries(${bench} PRIVATE rm_bareloops rm_qtui rm_form rm_testsupport)
endforeach()
