# The storage engine (zarix_engine), its C interface libzarix64.so, and their tests.
# Included from zarix64/CMakeLists.txt.
set(ZX ${CMAKE_CURRENT_LIST_DIR})

add_library(zarix_engine STATIC
  ${ZX}/database.cpp
  ${ZX}/format_access.cpp
  ${ZX}/fst.cpp
  ${ZX}/inverted_file.cpp
  ${ZX}/master_file.cpp
  ${ZX}/posting_block.cpp
  ${ZX}/record.cpp
  ${ZX}/record_codec.cpp
  ${ZX}/space.cpp
  ${ZX}/sqlite_util.cpp
  ${ZX}/tables.cpp
)
target_link_libraries(zarix_engine PUBLIC zarix_format zarix_util SQLite::SQLite3 PkgConfig::UTF8PROC)

# libzarix64.so: only the C interface is exported; the engine and the C++ runtime stay inside.
add_library(zarix64 SHARED ${ZX}/zarix64_abi.cpp)
# SQLite and utf8proc go inside too when their static archives exist: loading two more shared
# libraries costs every request about half a millisecond. The gateway never links SQLite, so
# the engine's copy is the only one in its process. (A test program that links zarix_engine and
# also loads libzarix64.so must not hold the same database open through both at once: two SQLite
# copies do not see each other's POSIX locks.)
find_library(ZARIX_SQLITE3_ARCHIVE NAMES libsqlite3.a)
find_library(ZARIX_UTF8PROC_ARCHIVE NAMES libutf8proc.a)
if(ZARIX_SQLITE3_ARCHIVE AND ZARIX_UTF8PROC_ARCHIVE AND NOT ZARIX_SANITIZE)
  target_link_libraries(zarix64 PRIVATE zarix_engine zarix_format zarix_util
                        ${ZARIX_SQLITE3_ARCHIVE} ${ZARIX_UTF8PROC_ARCHIVE} m)
else()
  target_link_libraries(zarix64 PRIVATE zarix_engine)
endif()
# Built beside the gateway, whose program folder is the first place it looks: the build tree's
# cgizarix64 works as built.
set_target_properties(zarix64 PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
                                         OUTPUT_NAME zarix64
                                         LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/gateway)
target_link_options(zarix64 PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined
                    -Wl,--version-script=${ZX}/zarix64.map)
set_property(TARGET zarix64 APPEND PROPERTY LINK_DEPENDS ${ZX}/zarix64.map)
# Under libFuzzer the format library inside is instrumented: its sanitizer symbols come from the
# fuzzing program that loads the engine.
if(ZARIX_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_link_options(zarix64 PRIVATE -Wl,-z,undefs)
endif()
zarix_static_runtime(zarix64)
install(TARGETS zarix64 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

zarix_test(zarix_engine_test
  SOURCES ${ZX}/database_test.cpp ${ZX}/database_fault_test.cpp ${ZX}/fst_test.cpp
          ${ZX}/inverted_file_test.cpp
  LIBS zarix_engine zarix_test_support)

zarix_test(zarix64_abi_test SOURCES ${ZX}/zarix64_abi_test.cpp ${ZX}/zarix64_abi.cpp
           LIBS zarix_engine zarix_test_support)
