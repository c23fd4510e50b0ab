# calyrix_add_test(NAME SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; each test case becomes a CTest test at run time.
find_package(GTest REQUIRED)
include(GoogleTest)

function(calyrix_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  # Widgets never need a display; tests that need more of the environment set it themselves.
  set(props ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 300)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()
