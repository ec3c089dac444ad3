# ISO 2709 import and export (zarix_iso2709) and the librarians' tool zarix-admin.
# Included from zarix64/CMakeLists.txt.
pkg_check_modules(YAZ REQUIRED IMPORTED_TARGET yaz)

add_library(zarix_iso2709 STATIC
  ${CMAKE_CURRENT_LIST_DIR}/iso2709.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iso2709_charset.cpp
)
# Only YAZ's header: the library is loaded with dlopen when MARC-8 is used (iso2709_charset.cpp).
target_include_directories(zarix_iso2709 PRIVATE ${YAZ_INCLUDE_DIRS})
target_link_libraries(zarix_iso2709 PUBLIC zarix_util PRIVATE ${CMAKE_DL_LIBS})

zarix_test(iso2709_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/iso2709_test.cpp ${CMAKE_CURRENT_LIST_DIR}/iso2709_real_data_test.cpp
  LIBS zarix_iso2709)

# The admin tool needs the engine; the guard keeps the tree building while it is not there.
if(TARGET zarix_engine)
  add_library(zarix_admin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/admin/admin_args.cpp
    ${CMAKE_CURRENT_LIST_DIR}/admin/admin_catalog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/admin/admin_create.cpp
    ${CMAKE_CURRENT_LIST_DIR}/admin/admin_maintenance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/admin/admin_records.cpp
    ${CMAKE_CURRENT_LIST_DIR}/admin/admin_report.cpp
  )
  target_link_libraries(zarix_admin PUBLIC zarix_engine zarix_iso2709 zarix_processor)

  add_executable(zarix-admin ${CMAKE_CURRENT_LIST_DIR}/admin/admin_main.cpp)
  target_link_libraries(zarix-admin PRIVATE zarix_admin)
  zarix_static_runtime(zarix-admin)
endif()

if(TARGET zarix_admin)
  zarix_test(admin_unit_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/admin/admin_create_test.cpp
             LIBS zarix_admin)
endif()

# The ISO 2709 reader's fuzz target (libFuzzer with ZARIX_FUZZ) and the replay of its corpus.
zarix_fuzz_target(iso2709_fuzz SOURCE ${CMAKE_CURRENT_LIST_DIR}/iso2709_fuzz.cpp
                  CORPUS ${CMAKE_CURRENT_LIST_DIR}/iso2709_fuzz_corpus LIBS zarix_iso2709)
