# calyrix_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...])
# One GoogleTest executable; each test case becomes a CTest test at run time.
find_package(GTest REQUIRED)
include(GoogleTest)

function(calyrix_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  set(env "QT_QPA_PLATFORM=offscreen" ${T_ENVIRONMENT})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()
