# Helpers that every subsystem folder uses to declare its library, its tests
# and its benchmarks.
#
# One code base builds four deliverables: pathvex-x64 in the x86_64 tree,
# pathvex-x86, pathvex-ppc and pathvex-wm in the i686 tree. The handheld code
# paths are switched on by compile definitions, so a subsystem library exists
# once per variant: NAME (desktop), NAME_ppc and NAME_wm. Both trees build all
# three variants: the x86_64 tree's handheld programs are test builds, so that
# a host that runs 64-bit programs only still tests every code path.

set(PATHVEX_VARIANTS _ppc _wm)
# The subsystem folders, in the order they build on each other; tests/ has
# one folder of tests for each.
set(PATHVEX_SUBSYSTEMS xml platform/handheld kit gps updater dbimport panes maps tracks app resources)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(PATHVEX_DEFS PATHVEX_DESKTOP=1 PATHVEX_X86=1)
    set(PATHVEX_DESKTOP_PROGRAM pathvex-x86)
else()
    set(PATHVEX_DEFS PATHVEX_DESKTOP=1 PATHVEX_X64=1)
    set(PATHVEX_DESKTOP_PROGRAM pathvex-x64)
endif()
# The programs this tree builds, which the end-to-end tests start; the
# desktop one first.
set(PATHVEX_TEST_PROGRAMS ${PATHVEX_DESKTOP_PROGRAM} pathvex-ppc pathvex-wm)
set(PATHVEX_DEFS_ppc PATHVEX_HANDHELD=1 PATHVEX_PPC=1)
set(PATHVEX_DEFS_wm PATHVEX_HANDHELD=1 PATHVEX_WM=1)

set(PATHVEX_WINEPREFIX "${PROJECT_SOURCE_DIR}/build/wineprefix" CACHE PATH "Wine prefix the tests run in")
# The shared recordings beside the project; a checkout elsewhere names them.
set(PATHVEX_TESTDATA_DIR "${PROJECT_SOURCE_DIR}/../shared/testdata" CACHE PATH "Shared test data")
# The Wine loader of this tree's programs: scripts/env.sh names it (the
# 64-bit loader itself for the x86_64 tree, never Debian's wrapper, which
# takes the 32-bit loader whenever it is installed).
set(PATHVEX_TEST_ENV
    "PATHVEX_WINE=${PATHVEX_WINE}"
    "WINEPREFIX=${PATHVEX_WINEPREFIX}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    "PATHVEX_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    "PATHVEX_TESTDATA=${PATHVEX_TESTDATA_DIR}"
    "PATHVEX_PREFIX_ROOT=${PROJECT_BINARY_DIR}/prefixes")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND PATHVEX_TEST_ENV "WINELOADER=${PATHVEX_WINE}")
endif()
# Every test program runs through this script (tests/wine_run.sh says why).
set(PATHVEX_WINE_RUN bash ${PROJECT_SOURCE_DIR}/tests/wine_run.sh)

# pathvex_add_library(NAME SOURCES a.cpp ... [DEPENDS lib ...] [SYSLIBS ws2_32 ...])
# DEPENDS names other pathvex libraries without a variant suffix.
function(pathvex_add_library name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPENDS;SYSLIBS" ${ARGN})
    foreach(variant IN ITEMS "" ${PATHVEX_VARIANTS})
        set(target ${name}${variant})
        add_library(${target} STATIC ${A_SOURCES})
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
        if(variant STREQUAL "")
            target_compile_definitions(${target} PUBLIC ${PATHVEX_DEFS})
        else()
            target_compile_definitions(${target} PUBLIC ${PATHVEX_DEFS${variant}})
        endif()
        list(TRANSFORM A_DEPENDS APPEND "${variant}" OUTPUT_VARIABLE deps)
        target_link_libraries(${target} PUBLIC ${deps} ${A_SYSLIBS})
    endforeach()
endfunction()

# pathvex_add_test_executable(NAME SOURCES t.cpp ... [DEPENDS lib ...] [VARIANT _ppc] [SYSLIBS ...])
# One doctest executable, built only: pathvex_add_test and
# pathvex_add_program_test make the ctest entries that run it.
function(pathvex_add_test_executable name)
    cmake_parse_arguments(A "" "VARIANT" "SOURCES;DEPENDS;SYSLIBS" ${ARGN})
    list(TRANSFORM A_DEPENDS APPEND "${A_VARIANT}")
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE pathvex_test_main ${A_DEPENDS} ${A_SYSLIBS})
    target_link_options(${name} PRIVATE -mconsole)
endfunction()

# pathvex_test_entry(NAME TIMEOUT ENV command ...)
# The ctest entry NAME running the command, with the tests' environment and
# ENV (a list) added; TIMEOUT "" is 300 s.
function(pathvex_test_entry name timeout env)
    add_test(NAME ${name} COMMAND ${ARGN})
    if(NOT timeout)
        set(timeout 300)
    endif()
    set(all ${PATHVEX_TEST_ENV} ${env})   # unquoted: no empty entries
    # A test-case filter that no longer matches runs nothing: that is a
    # failure, not a pass.
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${all}"
        TIMEOUT ${timeout}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        FAIL_REGULAR_EXPRESSION "test cases: +0 \\|")
endfunction()

# pathvex_add_test(NAME SOURCES t.cpp ... DEPENDS lib ... [VARIANT _ppc] [LABELS l ...] [ISOLATED]
#                  [ARGS option ...])
# One doctest executable, run under Wine by ctest. Tests see the source
# folder and the shared test data through the environment. ISOLATED gives
# the test a Wine prefix and an X display of its own: for tests that show the
# main window or start the programs, which would otherwise meet each other's
# instance lock, window class and keyboard focus. ARGS go to the test program
# (doctest's filters, for one executable split into several entries).
function(pathvex_add_test name)
    cmake_parse_arguments(A "ISOLATED" "VARIANT;TIMEOUT" "SOURCES;DEPENDS;LABELS;SYSLIBS;ARGS" ${ARGN})
    pathvex_add_test_executable(${name} SOURCES ${A_SOURCES} DEPENDS ${A_DEPENDS} VARIANT "${A_VARIANT}"
        SYSLIBS ${A_SYSLIBS})
    set(isolation "")
    if(A_ISOLATED)
        set(isolation --isolated ${name})
    endif()
    pathvex_test_entry(${name} "${A_TIMEOUT}" "" ${PATHVEX_WINE_RUN} ${isolation} $<TARGET_FILE:${name}>
        --no-colors=true ${A_ARGS})
    if(A_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
    endif()
endfunction()

# pathvex_add_program_test(NAME TARGET exe [PROGRAMS program ...] [ARGS option ...] [TIMEOUT s]
#                          [ENV VAR=value ...] [WRAPPER command ...])
# One isolated ctest entry running the test executable against programs of
# this tree, which it then depends on: PATHVEX_PROGRAM_DIR names their
# folder, PATHVEX_PROGRAMS the ones of this entry (comma-separated). WRAPPER
# starts the run (a serial pair's script, which then runs the rest).
function(pathvex_add_program_test name)
    cmake_parse_arguments(A "" "TARGET;TIMEOUT" "PROGRAMS;ARGS;ENV;WRAPPER" ${ARGN})
    if(A_PROGRAMS)
        add_dependencies(${A_TARGET} ${A_PROGRAMS})
    endif()
    list(JOIN A_PROGRAMS "," programs)
    pathvex_test_entry(${name} "${A_TIMEOUT}"
        "PATHVEX_PROGRAM_DIR=${PROJECT_BINARY_DIR}/exe;PATHVEX_PROGRAMS=${programs};${A_ENV}"
        ${A_WRAPPER} ${PATHVEX_WINE_RUN} --isolated ${name} $<TARGET_FILE:${A_TARGET}> --no-colors=true ${A_ARGS})
endfunction()

# pathvex_add_bench(NAME SOURCES b.cpp ... DEPENDS lib ...): built, never run by the tests.
function(pathvex_add_bench name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPENDS;SYSLIBS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_DEPENDS} ${A_SYSLIBS})
    target_link_options(${name} PRIVATE -mconsole)
    # A million 1088-byte track records with the documents and files the
    # exchange makes of them do not fit in the 2 GB of a plain 32-bit
    # process; the i686 figures need all 4 GB.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        target_link_options(${name} PRIVATE -Wl,--large-address-aware)
    endif()
endfunction()
