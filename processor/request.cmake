# Request start-up, dispatch and tail (zarix_request). Included from processor/CMakeLists.txt.
set(_RQ ${CMAKE_CURRENT_LIST_DIR})
if(TARGET zarix_engine_api)
  add_library(zarix_request STATIC
    ${_RQ}/debug_trace.cpp
    ${_RQ}/dispatch.cpp
    ${_RQ}/engine_ini_copy.cpp
    ${_RQ}/request_filter.cpp
    ${_RQ}/request_processor.cpp
  )
  target_link_libraries(zarix_request PUBLIC zarix_gateway zarix_frames zarix_processor
                        zarix_search_form zarix_engine_api zarix_util)
endif()
zarix_test(processor_engine_ini_copy_test
  SOURCES ${_RQ}/engine_ini_copy_test.cpp ${_RQ}/engine_ini_copy.cpp
  LIBS zarix_gateway zarix_test_support)
