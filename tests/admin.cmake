# Whole-program tests of zarix-admin: the real binary on databases made in temporary folders.
if(ZARIX_BUILD_TESTS AND TARGET zarix-admin)
  add_library(zarix_admin_run STATIC ${CMAKE_CURRENT_LIST_DIR}/admin_run.cpp)
  target_link_libraries(zarix_admin_run PUBLIC zarix_util zarix_test_support)

  zarix_test(admin_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/admin_test.cpp
             LIBS zarix_admin_run zarix_util)
  add_dependencies(admin_test zarix-admin)
  set_property(TEST admin_test APPEND PROPERTY ENVIRONMENT "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
  zarix_test(admin_interchange_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/admin_interchange_test.cpp
             LIBS zarix_admin_run zarix_util)
  add_dependencies(admin_interchange_test zarix-admin)
  set_property(TEST admin_interchange_test APPEND PROPERTY ENVIRONMENT
               "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
endif()
