# Build helpers shared by every subsystem.

set(ORV_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
set(ORV_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(ORV_TSAN -fsanitize=thread -fno-omit-frame-pointer)

# Windows tests run under Wine; a host that cannot run this tree's
# programs (i386 on a 64-bit-only host) turns them off for this tree.
option(ORV_WINE_TESTS "build and run the Windows tests under Wine" ON)
# The device simulator is a Linux program of the native tree; the Windows
# tests and the screenshot tool have Wine run it from there.
set(ORV_NATIVE_BUILD "${ORV_ROOT}/build/native" CACHE PATH "native build tree with orvantide-devsim")

if(ORV_WIN32)
  # Only -static removes every MinGW DLL (libwinpthread included).
  set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

# Core variants: the plain one (program, tools, benchmarks) and, natively,
# one built with AddressSanitizer+UBSan and one with ThreadSanitizer for
# the tests.
set(ORV_CORE_VARIANTS orv_core)
if(NOT ORV_WIN32)
  list(APPEND ORV_CORE_VARIANTS orv_core_san orv_core_tsan)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Instrumented for libFuzzer: linked only into the fuzz targets.
    list(APPEND ORV_CORE_VARIANTS orv_fuzz_core)
  endif()
endif()

# Version.h: the project's version for code and for the VERSIONINFO of
# every Windows file (res/VersionInfo.rc).
set(ORV_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(ORV_COPYRIGHT "Copyright (C) 2026 Kelmora")
configure_file(${ORV_ROOT}/res/Version.h.in ${ORV_GENERATED}/Version.h @ONLY)
if(ORV_WIN32)
  # The manifest names the program's version and its processor: a 64-bit
  # build asking for the x86 common controls would not start.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ORV_MANIFEST_ARCH amd64)
  else()
    set(ORV_MANIFEST_ARCH x86)
  endif()
  configure_file(${ORV_ROOT}/res/Orvantide.manifest.in ${ORV_GENERATED}/Orvantide.manifest @ONLY)
endif()

# zlib compresses the PDF writer's streams.  The Windows builds link it
# statically: its import library would make the program need zlib1.dll.
function(orv_find_zlib)
  if(ORV_WIN32)
    set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  endif()
  find_package(ZLIB REQUIRED)
endfunction()

macro(orv_core_libraries)
  orv_find_zlib()
  foreach(lib ${ORV_CORE_VARIANTS})
    add_library(${lib} STATIC)
    target_include_directories(${lib} PUBLIC ${ORV_ROOT} ${ORV_GENERATED})
    target_compile_options(${lib} PRIVATE ${ORV_WARNINGS})
    target_link_libraries(${lib} PUBLIC ZLIB::ZLIB)
  endforeach()
  if(NOT ORV_WIN32)
    target_compile_options(orv_core_san PUBLIC ${ORV_SANITIZE} -O1 -g)
    target_link_options(orv_core_san PUBLIC ${ORV_SANITIZE})
    target_compile_options(orv_core_tsan PUBLIC ${ORV_TSAN} -O1 -g)
    target_link_options(orv_core_tsan PUBLIC ${ORV_TSAN})
    if(TARGET orv_fuzz_core)
      # Undefined behaviour in the code under test stops the run, as in the
      # targets themselves, rather than printing and passing.
      target_compile_options(orv_fuzz_core PUBLIC -fsanitize=fuzzer-no-link,address,undefined
                             -fno-sanitize-recover=all -g -O1)
    endif()
    find_package(Threads REQUIRED)
    foreach(lib ${ORV_CORE_VARIANTS})
      target_link_libraries(${lib} PUBLIC Threads::Threads)
    endforeach()
  else()
    # Win32 plumbing, linked into the program and the Win32 tests.
    add_library(orv_win32 STATIC)
    target_include_directories(orv_win32 PUBLIC ${ORV_ROOT} ${ORV_GENERATED})
    target_compile_options(orv_win32 PRIVATE ${ORV_WARNINGS})
    target_link_libraries(orv_core PUBLIC ws2_32)
    target_link_libraries(orv_win32 PUBLIC orv_core comctl32 comdlg32 shlwapi shell32 ole32 gdi32 user32 ws2_32)
  endif()
endmacro()

function(orv_core_sources)
  foreach(lib ${ORV_CORE_VARIANTS})
    target_sources(${lib} PRIVATE ${ARGN})
  endforeach()
endfunction()

# The system's half of a portable interface (a clock, a stop, a link):
# compiled into the core of this system's trees, so that portable code and
# its tests link with it.
function(orv_platform_sources)
  cmake_parse_arguments(P "" "" "WIN32;POSIX" ${ARGN})
  if(ORV_WIN32)
    orv_core_sources(${P_WIN32})
  else()
    orv_core_sources(${P_POSIX})
  endif()
endfunction()

function(orv_win32_sources)
  if(ORV_WIN32)
    target_sources(orv_win32 PRIVATE ${ARGN})
  endif()
endfunction()

# GoogleTest from the Debian source package, built by each tree.
if(BUILD_TESTING AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endif()

# A test of the portable core: natively under ASan+UBSan (and TSan with
# the TSAN option), and as a Windows program under Wine, one ctest entry
# per suite there to keep Wine start-ups few.
function(orv_portable_test name)
  cmake_parse_arguments(T "TSAN" "" "SOURCES" ${ARGN})
  list(APPEND T_SOURCES ${ORV_ROOT}/tests/support/TestSupport.cpp)
  if(ORV_WIN32)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE orv_win32 gtest gtest_main)
    add_test(NAME wine.${name} COMMAND ${name})
    set_tests_properties(wine.${name} PROPERTIES LABELS wine TIMEOUT 300)
  else()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE orv_core_san gtest gtest_main)
    gtest_discover_tests(${name} TEST_PREFIX "native." DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS native TIMEOUT 120)
    if(T_TSAN)
      add_executable(${name}_tsan ${T_SOURCES})
      target_link_libraries(${name}_tsan PRIVATE orv_core_tsan gtest gtest_main)
      add_test(NAME tsan.${name} COMMAND ${name}_tsan)
      set_tests_properties(tsan.${name} PROPERTIES LABELS tsan TIMEOUT 300)
    endif()
  endif()
endfunction()

# A Win32-only test program, each test case its own ctest entry under Wine.
function(orv_win32_test name)
  if(NOT ORV_WIN32)
    return()
  endif()
  # LOCK names the resources (a COM port, the single-instance program) that
  # the program's cases must not share with other cases running at once.
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LOCK" ${ARGN})
  list(APPEND T_SOURCES ${ORV_ROOT}/tests/support/TestSupport.cpp
                        ${ORV_ROOT}/tests/support/win32/Win32TestSupport.cpp)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE orv_win32 ${T_LIBS} gtest gtest_main)
  gtest_discover_tests(${name} TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60 PROPERTIES LABELS wine TIMEOUT 120)
  if(T_LOCK)
    # The cases are known once ctest has listed them: a file read after the
    # listing's gives them their locks.  (The listing's own PROPERTIES
    # would split a list of locks into separate properties.)
    set(locks ${CMAKE_CURRENT_BINARY_DIR}/${name}_locks.cmake)
    file(WRITE ${locks} "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES RESOURCE_LOCK \"${T_LOCK}\")\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${locks})
  endif()
endfunction()

# A libFuzzer target (native clang tree only): built with ASan+UBSan and
# run briefly by ctest over its seed corpus in fuzz/corpus/<name>.
function(orv_fuzz_target name)
  if(ORV_WIN32 OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    return()
  endif()
  cmake_parse_arguments(T "" "RUNS" "SOURCES" ${ARGN})
  if(NOT T_RUNS)
    set(T_RUNS 200000)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  # The core's sources are compiled into the target itself so that the
  # fuzzer's coverage instrumentation sees them.
  target_link_libraries(${name} PRIVATE orv_fuzz_core)
  # New inputs go to a corpus in the build tree; the seeds stay as they are.
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME fuzz.${name}
           COMMAND ${name} -runs=${T_RUNS} -max_total_time=20 -rss_limit_mb=1024
                   ${corpus} ${ORV_ROOT}/fuzz/corpus/${name})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
