# Whole-request tests of the result pages, frame directives and binary resources: the real
# cgizarix64 on a fixture site whose databases zarix-admin loads from the MARC records of data/.
if(ZARIX_BUILD_TESTS AND TARGET cgizarix64 AND TARGET zarix-admin AND TARGET zarix_cgi_runner)
  add_library(zarix_pages_fixture STATIC ${CMAKE_CURRENT_LIST_DIR}/pages_fixture.cpp)
  target_link_libraries(zarix_pages_fixture PUBLIC zarix_cgi_runner zarix_test_support zarix_util
                        PkgConfig::UTF8PROC)

  foreach(t search frames binary hardening highlight dictionary sort log)
    zarix_test(pages_${t}_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pages_${t}_test.cpp
               LIBS zarix_pages_fixture zarix_test_support zarix_util)
    add_dependencies(pages_${t}_test cgizarix64 zarix64 zarix-admin)
    set_property(TEST pages_${t}_test APPEND PROPERTY ENVIRONMENT
      "ZARIX_CGI_BINARY=$<TARGET_FILE:cgizarix64>"
      "ZARIX_ENGINE_LIBRARY=$<TARGET_FILE:zarix64>"
      "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
  endforeach()
endif()
