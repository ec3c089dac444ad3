# Whole-request latency of a search page on 100,000 records, and the Zebra client that runs the
# same queries against a Zebra server (bench/search_page.sh drives both); then the dictionary,
# marked and sorted pages on the same database.
if(TARGET cgizarix64 AND TARGET zarix_pages_fixture)
  add_executable(search_page_bench ${CMAKE_CURRENT_LIST_DIR}/search_page_bench.cpp)
  target_link_libraries(search_page_bench PRIVATE zarix_pages_fixture)
  target_compile_definitions(search_page_bench PRIVATE ZARIX_BUILD_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(search_page_bench cgizarix64 zarix64 zarix-admin)
  # Dictionary, marked and sorted pages on the same database.
  add_executable(terms_pages_bench ${CMAKE_CURRENT_LIST_DIR}/terms_pages_bench.cpp)
  target_link_libraries(terms_pages_bench PRIVATE zarix_cgi_runner)
  target_compile_definitions(terms_pages_bench PRIVATE ZARIX_BUILD_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(terms_pages_bench cgizarix64 zarix64)
  # Where a sorted page's time goes, in one process.
  add_executable(sort_bench ${CMAKE_CURRENT_LIST_DIR}/sort_bench.cpp)
  target_link_libraries(sort_bench PRIVATE zarix_search_engine)
  target_compile_definitions(sort_bench PRIVATE ZARIX_BUILD_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(sort_bench zarix64)
endif()
pkg_check_modules(YAZ_BENCH QUIET IMPORTED_TARGET yaz)
if(YAZ_BENCH_FOUND)
  add_executable(search_page_zebra ${CMAKE_CURRENT_LIST_DIR}/search_page_zebra.c)
  target_link_libraries(search_page_zebra PRIVATE PkgConfig::YAZ_BENCH)
endif()
