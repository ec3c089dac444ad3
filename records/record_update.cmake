# Record update (R), ISO import (I), field selection and the record-modification language
# (zarix_record_update). Included from records/CMakeLists.txt.
set(_RU ${CMAKE_CURRENT_LIST_DIR})
add_library(zarix_record_update STATIC
  ${_RU}/field_selection.cpp
  ${_RU}/modification_script.cpp
  ${_RU}/record_update.cpp
)
target_link_libraries(zarix_record_update PUBLIC zarix_readers zarix_request_log zarix_processor
                      zarix_gateway zarix_engine_api zarix_util)
# The dispatch table and the command executor call into here; this calls the result pages.
if(TARGET zarix_request)
  target_link_libraries(zarix_record_update PUBLIC zarix_request)
  target_link_libraries(zarix_request PUBLIC zarix_record_update)
endif()
if(TARGET zarix_pages)
  target_link_libraries(zarix_record_update PUBLIC zarix_pages)
  target_link_libraries(zarix_pages PUBLIC zarix_record_update)
endif()

# Fuzz targets of the ISO text reader and the script interpreter (libFuzzer with ZARIX_FUZZ) and
# the replay of their corpora. Both run on the real engine, loaded as the gateway loads it.
if(TARGET zarix64)
  foreach(_fuzz iso_record_fuzz modification_script_fuzz)
    zarix_fuzz_target(${_fuzz} SOURCE ${_RU}/${_fuzz}.cpp CORPUS ${_RU}/${_fuzz}_corpus
                      LIBS zarix_record_update TEST records_${_fuzz}_replay)
    foreach(_t ${_fuzz} ${_fuzz}_replay)
      if(TARGET ${_t})
        target_compile_definitions(${_t} PRIVATE ZARIX64_LIBRARY="$<TARGET_FILE:zarix64>")
        add_dependencies(${_t} zarix64)
      endif()
    endforeach()
  endforeach()
endif()

if(TARGET zarix64 AND ZARIX_BUILD_TESTS)
  zarix_test(records_modification_script_test SOURCES ${_RU}/modification_script_test.cpp
             LIBS zarix_record_update zarix_test_support)
  target_compile_definitions(records_modification_script_test PRIVATE
                             ZARIX64_LIBRARY="$<TARGET_FILE:zarix64>")
  add_dependencies(records_modification_script_test zarix64)
endif()
# The code under test carries the fuzzer's coverage instrumentation, so that inputs are guided.
if(ZARIX_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(zarix_record_update PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
