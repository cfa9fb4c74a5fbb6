# Settings every target of ours shares: strict warnings, sanitizers on request.
function(tolvex_setup_target target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${target} PUBLIC QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)
  if(TOLVEX_SANITIZE OR TOLVEX_FUZZ)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
  if(TOLVEX_FUZZ)
    target_compile_options(${target} PUBLIC -g -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# A test is one executable run by CTest in its own temporary directory,
# without a display, under the offscreen platform. Its label is `unit`, or
# `slow` when it takes minutes under the sanitizers; the tests on a real X
# display are labelled `e2e` where they are added.
function(tolvex_add_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  tolvex_setup_target(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS ${ARG_LABEL}
    TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# Embeds a version record in every program that links the object library <name>.
function(tolvex_add_version_stamp name major minor release build)
  add_library(${name} OBJECT ${PROJECT_SOURCE_DIR}/platform/processes/VersionStamp.cpp)
  tolvex_setup_target(${name})
  target_link_libraries(${name} PRIVATE Qt6::Core)
  target_compile_definitions(${name} PRIVATE
    TOLVEX_VERSION_MAJOR=${major} TOLVEX_VERSION_MINOR=${minor}
    TOLVEX_VERSION_RELEASE=${release} TOLVEX_VERSION_BUILD=${build})
endfunction()

