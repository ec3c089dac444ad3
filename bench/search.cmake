# Search evaluation over an in-memory index: set operators, positions, truncation walks.
add_executable(search_bench ${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp)
target_link_libraries(search_bench PRIVATE zarix_search zarix_search_form zarix_gateway benchmark::benchmark)
