# Engine fault tests: concurrent writer processes and writers killed midway, each followed by
# the integrity check.
if(ZARIX_BUILD_TESTS AND TARGET zarix-admin AND TARGET zarix_engine)
  add_executable(engine_faults_writer ${CMAKE_CURRENT_LIST_DIR}/engine_faults_writer.cpp)
  target_link_libraries(engine_faults_writer PRIVATE zarix_engine)

  zarix_test(engine_faults_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_faults_test.cpp
             LIBS zarix_admin_run zarix_engine zarix_iso2709)
  add_dependencies(engine_faults_test zarix-admin engine_faults_writer)
  set_property(TEST engine_faults_test APPEND PROPERTY ENVIRONMENT
    "ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>"
    "ZARIX_FAULT_WRITER=$<TARGET_FILE:engine_faults_writer>")
endif()
