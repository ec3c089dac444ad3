# Added cost of request logging and ISO export speed through the CGI (run: log_export_bench [runs]).
if(TARGET cgizarix64 AND TARGET zarix_request AND TARGET zarix_pages_fixture AND TARGET zarix-admin)
  add_executable(log_export_bench ${CMAKE_CURRENT_LIST_DIR}/log_export_bench.cpp)
  target_link_libraries(log_export_bench PRIVATE zarix_pages_fixture zarix_request)
  target_compile_definitions(log_export_bench PRIVATE ZARIX_BUILD_DIR="${PROJECT_BINARY_DIR}"
                             ZARIX_SOURCE="${PROJECT_SOURCE_DIR}")
  add_dependencies(log_export_bench cgizarix64 zarix64 zarix-admin)
endif()
