# Stemmer throughput over the words of a real Russian word list.
add_executable(stem_bench ${CMAKE_CURRENT_LIST_DIR}/stem_bench.cpp)
target_link_libraries(stem_bench PRIVATE zarix_search benchmark::benchmark)
