# Registers a QtTest executable with CTest. Every test runs offscreen and finds the
# shared EET material through VORNIX_SHARED_EET when it is present.
get_filename_component(VORNIX_SHARED_DIR ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)

# Test databases live in memory-backed /dev/shm where there is one: every statement commits on
# its own, and a disk's flush per commit would make the suites slow without testing anything more.
set(VORNIX_TEST_TMP "")
if(IS_DIRECTORY /dev/shm)
  set(VORNIX_TEST_TMP "TMPDIR=/dev/shm")
endif()

function(add_vornix_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE vornix_options vornix_testsupport Qt6::Test ${T_LIBS})
  # Tests write plain string literals freely.
  target_compile_options(${name} PRIVATE -UQT_NO_CAST_FROM_ASCII -UQT_NO_CAST_TO_ASCII)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VORNIX_SHARED_EET=${VORNIX_SHARED_DIR}/eet;VORNIX_BUILD_DIR=${CMAKE_BINARY_DIR};VORNIX_PROGRAM_DIR=${VORNIX_PROGRAM_DIR};VORNIX_SOURCE_DIR=${CMAKE_SOURCE_DIR};${VORNIX_TEST_TMP}"
    TIMEOUT 600)
endfunction()
