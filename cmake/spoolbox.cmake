# Settings shared by every target of our own (not JUCE's).
function(spoolbox_target_defaults target)
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# A static library for one subsystem folder under src/.
function(spoolbox_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  spoolbox_target_defaults(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# A QtTest executable registered with CTest under a subsystem label. Each run
# gets a fresh HOME, XDG folders and TMPDIR (tests/isolate.sh), headless.
function(spoolbox_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  spoolbox_target_defaults(${name})
  target_link_libraries(${name} PRIVATE Qt6::Test spoolbox_testsupport ${ARG_LIBS})
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/isolate.sh $<TARGET_FILE:${name}>)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "SPOOLBOX_TEST_ROOT=${CMAKE_BINARY_DIR}/test-homes;SPOOLBOX_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
