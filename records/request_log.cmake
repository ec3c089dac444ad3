# Request logging and the export and import address permissions (zarix_request_log). Included
# from records/CMakeLists.txt.
add_library(zarix_request_log STATIC
  ${CMAKE_CURRENT_LIST_DIR}/access_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/named_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/request_log.cpp
)
target_link_libraries(zarix_request_log PUBLIC zarix_processor zarix_gateway zarix_util)
# The log record is written at the end of the request, from its context (engine, trace): the
# request library and this one use each other.
if(TARGET zarix_request)
  target_link_libraries(zarix_request_log PUBLIC zarix_request zarix_engine_api)
endif()

zarix_test(records_request_log_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/request_log_test.cpp
           LIBS zarix_request_log zarix_test_support)
zarix_test(records_access_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/access_rules_test.cpp
           LIBS zarix_request_log)
