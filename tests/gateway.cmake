# Whole-request tests of the gateway: the real cgizarix64 (its test-hook build where a request
# must hang or fail on purpose) run with a CGI environment against fixture sites.
if(ZARIX_BUILD_TESTS AND TARGET cgizarix64)
  add_library(zarix_cgi_runner STATIC ${CMAKE_CURRENT_LIST_DIR}/cgi_runner.cpp)
  target_include_directories(zarix_cgi_runner PUBLIC ${PROJECT_SOURCE_DIR})

  # An engine library that reports another interface version, in a folder of its own.
  add_library(zarix64_fake_old SHARED ${CMAKE_CURRENT_LIST_DIR}/gateway_fake_engine.c)
  set_target_properties(zarix64_fake_old PROPERTIES OUTPUT_NAME zarix64
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fake_engine C_VISIBILITY_PRESET hidden)
  # An engine library that needs another library the site does not have (no RUNPATH to it).
  add_library(zarix64_fake_dependency SHARED ${CMAKE_CURRENT_LIST_DIR}/gateway_fake_engine.c)
  target_compile_definitions(zarix64_fake_dependency PRIVATE ZARIX_FAKE_ENGINE_DEPENDENCY)
  set_target_properties(zarix64_fake_dependency PROPERTIES C_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fake_dependency)
  add_library(zarix64_fake_needy SHARED ${CMAKE_CURRENT_LIST_DIR}/gateway_fake_engine.c)
  target_compile_definitions(zarix64_fake_needy PRIVATE ZARIX_FAKE_ENGINE_NEEDS_DEPENDENCY)
  target_link_libraries(zarix64_fake_needy PRIVATE zarix64_fake_dependency)
  set_target_properties(zarix64_fake_needy PROPERTIES OUTPUT_NAME zarix64 SKIP_BUILD_RPATH ON
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fake_needy_engine C_VISIBILITY_PRESET hidden)

  set(_gateway_test_env
    "ZARIX_CGI_BINARY=$<TARGET_FILE:cgizarix64>"
    "ZARIX_CGI_HOOKS_BINARY=$<TARGET_FILE:cgizarix64_testhooks>"
    "ZARIX_ENGINE_LIBRARY=$<TARGET_FILE:zarix64>"
    "ZARIX_FAKE_ENGINE_LIBRARY=$<TARGET_FILE:zarix64_fake_old>"
    "ZARIX_NEEDY_ENGINE_LIBRARY=$<TARGET_FILE:zarix64_fake_needy>")
  if(TARGET zarix-admin)
    list(APPEND _gateway_test_env "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
  endif()

  foreach(t startup decoding thread redirect filter)
    zarix_test(gateway_${t}_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gateway_${t}_test.cpp
               LIBS zarix_cgi_runner zarix_util)
    add_dependencies(gateway_${t}_test cgizarix64 cgizarix64_testhooks zarix64 zarix64_fake_old
                     zarix64_fake_needy)
    if(TARGET zarix-admin)
      add_dependencies(gateway_${t}_test zarix-admin)
    endif()
    set_property(TEST gateway_${t}_test APPEND PROPERTY ENVIRONMENT ${_gateway_test_env})
  endforeach()
endif()
