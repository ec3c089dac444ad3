# Format language: records formatted per second with a realistic display format, and compile time.
add_executable(format_bench ${CMAKE_CURRENT_LIST_DIR}/format_bench.cpp)
target_link_libraries(format_bench PRIVATE zarix_format benchmark::benchmark)
