# End-to-end tests of the demonstration catalogue: lighttpd serves the site that scripts/demo-site
# assembles, Debian's Chromium (driven by playwright-core from tests/e2e/node_modules, which
# scripts/bootstrap installs) loads its pages. Screenshots go to <build>/e2e-screenshots/.
# The sanitizer build leaves them out: they test the site and the browser, not memory use,
# which the whole-request tests already cover under the sanitizers.
if(ZARIX_BUILD_TESTS AND NOT ZARIX_SANITIZE AND TARGET cgizarix64 AND TARGET zarix-admin AND TARGET zarix64)
  find_program(ZARIX_NODE NAMES node nodejs)
  if(ZARIX_NODE)
    add_test(NAME e2e_catalogue
             COMMAND ${ZARIX_NODE} --test --test-concurrency=1
                     ${CMAKE_CURRENT_LIST_DIR}/e2e/catalogue.test.mjs)
  else()
    # A missing tool is a failure with its reason, never a quiet skip.
    add_test(NAME e2e_catalogue
             COMMAND sh -c "echo 'node is not installed: run scripts/bootstrap' >&2; exit 1")
  endif()
  set_tests_properties(e2e_catalogue PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "ZARIX_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZARIX_BINARY_DIR=${PROJECT_BINARY_DIR};ZARIX_CGI_BINARY=$<TARGET_FILE:cgizarix64>;ZARIX_ENGINE_LIBRARY=$<TARGET_FILE:zarix64>;ZARIX_ADMIN=$<TARGET_FILE:zarix-admin>")
endif()
