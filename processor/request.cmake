# Request start-up, dispatch and tail (zarix_request). Included from processor/CMakeLists.txt.
set(_RQ ${CMAKE_CURRENT_LIST_DIR})
if(TARGET zarix_engine_api)
  add_library(zarix_request STATIC
    ${_RQ}/debug_trace.cpp
    ${_RQ}/dispatch.cpp
    ${_RQ}/engine_ini_copy.cpp
    ${_RQ}/export.cpp
    ${_RQ}/export_writer.cpp
    ${_RQ}/request_filter.cpp
    ${_RQ}/request_processor.cpp
  )
  target_link_libraries(zarix_request PUBLIC zarix_gateway zarix_frames zarix_processor
                        zarix_search_form zarix_engine_api zarix_request_log zarix_util)
endif()
zarix_test(processor_engine_ini_copy_test
  SOURCES ${_RQ}/engine_ini_copy_test.cpp ${_RQ}/engine_ini_copy.cpp
  LIBS zarix_gateway zarix_test_support)
zarix_test(processor_export_writer_test
  SOURCES ${_RQ}/export_writer_test.cpp ${_RQ}/export_writer.cpp LIBS zarix_util)
if(TARGET zarix_request AND TARGET zarix64 AND TARGET zarix-admin AND TARGET zarix_test_support)
  zarix_test(processor_export_test SOURCES ${_RQ}/export_test.cpp
             LIBS zarix_request zarix_test_support)
  target_compile_definitions(processor_export_test PRIVATE
    ZARIX64_LIBRARY="$<TARGET_FILE:zarix64>" ZARIX_ADMIN_BINARY="$<TARGET_FILE:zarix-admin>"
    ZARIX_SOURCE="${PROJECT_SOURCE_DIR}")
  add_dependencies(processor_export_test zarix64 zarix-admin)
endif()
