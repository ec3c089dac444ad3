# Whole-request fixed cost of cgizarix64 beside a trivial C++ program (run: request_bench [runs]).
if(TARGET cgizarix64 AND TARGET zarix_cgi_runner)
  add_executable(request_bench_trivial ${CMAKE_CURRENT_LIST_DIR}/trivial_main.cpp)
  zarix_static_runtime(request_bench_trivial)
  add_executable(request_bench ${CMAKE_CURRENT_LIST_DIR}/request_bench.cpp)
  target_link_libraries(request_bench PRIVATE zarix_cgi_runner)
  target_compile_definitions(request_bench PRIVATE ZARIX_BUILD_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(request_bench request_bench_trivial cgizarix64 zarix64)
endif()
