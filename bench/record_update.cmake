# Record updates per second through the CGI on a 100,000-record database.
if(TARGET cgizarix64 AND TARGET zarix_pages_fixture)
  add_executable(record_update_bench ${CMAKE_CURRENT_LIST_DIR}/record_update_bench.cpp)
  target_link_libraries(record_update_bench PRIVATE zarix_pages_fixture)
  target_compile_definitions(record_update_bench PRIVATE ZARIX_BUILD_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(record_update_bench cgizarix64 zarix64 zarix-admin)
endif()
