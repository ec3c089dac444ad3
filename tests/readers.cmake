# Whole-request tests of reader identification, reader keys and orders: the real cgizarix64 on
# a site whose reader, catalogue and order databases zarix-admin makes. Clocks are moved with
# libfaketime (scripts/bootstrap installs it).
if(ZARIX_BUILD_TESTS AND TARGET cgizarix64 AND TARGET zarix-admin AND TARGET zarix_pages_fixture
   AND TARGET zarix_admin_run)
  zarix_test(readers_orders_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/readers_orders_test.cpp
             LIBS zarix_pages_fixture zarix_admin_run zarix_test_support)
  add_dependencies(readers_orders_test cgizarix64 zarix64 zarix-admin)
  set_property(TEST readers_orders_test APPEND PROPERTY ENVIRONMENT
    "ZARIX_CGI_BINARY=$<TARGET_FILE:cgizarix64>"
    "ZARIX_ENGINE_LIBRARY=$<TARGET_FILE:zarix64>"
    "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
endif()
