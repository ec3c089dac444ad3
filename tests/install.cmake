# The install test: `cmake --install` into a temporary prefix and a search through what it put
# there. Install folders given as absolute paths would not follow --prefix: no test then.
# (zarix_pages_fixture comes from pages.cmake, read after this file, under the same conditions.)
if(ZARIX_BUILD_TESTS AND TARGET cgizarix64 AND TARGET zarix-admin AND TARGET zarix_cgi_runner
   AND TARGET zarix_admin_run)
  if(IS_ABSOLUTE "${ZARIX_INSTALL_CGIDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    message(STATUS "install_test left out: ZARIX_INSTALL_CGIDIR or CMAKE_INSTALL_LIBDIR is absolute")
  else()
    zarix_test(install_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_test.cpp
               LIBS zarix_pages_fixture zarix_admin_run zarix_util)
    add_dependencies(install_test cgizarix64 zarix64 zarix-admin)
    set_property(TEST install_test APPEND PROPERTY ENVIRONMENT
      "ZARIX_CMAKE=${CMAKE_COMMAND}"
      "ZARIX_INSTALL_CGIDIR=${ZARIX_INSTALL_CGIDIR}"
      "ZARIX_INSTALL_LIBDIR=${CMAKE_INSTALL_LIBDIR}")
  endif()
endif()
