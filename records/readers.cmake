# Reader identification and keys, orders, and the record-editing fields of forms
# (zarix_readers). Included from records/CMakeLists.txt.
set(_RD ${CMAKE_CURRENT_LIST_DIR})
# Keys alone: pure code without the request, so the fuzz target builds quickly.
add_library(zarix_reader_key STATIC ${_RD}/reader_key.cpp)
add_library(zarix_readers STATIC
  ${_RD}/orders.cpp
  ${_RD}/reader_identification.cpp
  ${_RD}/record_form.cpp
)
target_link_libraries(zarix_readers PUBLIC zarix_reader_key zarix_frames zarix_processor
                      zarix_gateway zarix_engine_api zarix_util PkgConfig::UTF8PROC)
# The request's start-up identifies the reader; the command executor places orders.
if(TARGET zarix_request)
  target_link_libraries(zarix_request PUBLIC zarix_readers)
endif()
if(TARGET zarix_pages)
  target_link_libraries(zarix_pages PUBLIC zarix_readers)
endif()

zarix_test(records_reader_key_test SOURCES ${_RD}/reader_key_test.cpp LIBS zarix_reader_key)
zarix_test(records_reader_identification_test SOURCES ${_RD}/reader_identification_test.cpp
           LIBS zarix_readers)
if(TARGET zarix64 AND ZARIX_BUILD_TESTS)
  zarix_test(records_record_form_test SOURCES ${_RD}/record_form_test.cpp
             LIBS zarix_readers zarix_test_support)
  target_compile_definitions(records_record_form_test PRIVATE
                             ZARIX64_LIBRARY="$<TARGET_FILE:zarix64>")
  add_dependencies(records_record_form_test zarix64)
endif()

zarix_fuzz_target(reader_key_fuzz SOURCE ${_RD}/reader_key_fuzz.cpp
                  CORPUS ${_RD}/reader_key_fuzz_corpus LIBS zarix_reader_key
                  TEST records_reader_key_fuzz_replay)
