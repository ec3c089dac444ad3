# Engine benchmarks: bulk import with indexing, posting walk, dictionary walk.
if(TARGET zarix_admin)
  add_executable(engine_bench ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp)
  target_link_libraries(engine_bench PRIVATE zarix_admin benchmark::benchmark)
endif()
