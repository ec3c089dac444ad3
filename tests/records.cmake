# Whole-request tests of record update (R), ISO import (I) and record-modification scripts: the
# real cgizarix64 on a site whose databases zarix-admin makes; records are read back with
# zarix-admin print.
if(ZARIX_BUILD_TESTS AND TARGET cgizarix64 AND TARGET zarix-admin AND TARGET zarix_pages_fixture
   AND TARGET zarix_admin_run)
  zarix_test(records_update_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/records_update_test.cpp
             LIBS zarix_pages_fixture zarix_admin_run zarix_test_support)
  add_dependencies(records_update_test cgizarix64 zarix64 zarix-admin)
  set_property(TEST records_update_test APPEND PROPERTY ENVIRONMENT
    "ZARIX_CGI_BINARY=$<TARGET_FILE:cgizarix64>"
    "ZARIX_ENGINE_LIBRARY=$<TARGET_FILE:zarix64>"
    "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
endif()
