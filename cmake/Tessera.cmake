# Build settings and helpers shared by every module.

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra)
endif()

# Two builds of the same sources give the same bytes, wherever their folders
# are: no folder names in the objects, and the time stamp that the linker
# writes into a program taken from SOURCE_DATE_EPOCH, else from the last
# commit's date, else left out.
macro(tessera_reproducible)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(TESSERA_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
  else()
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE TESSERA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
  endif()
  if(TESSERA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    foreach(lang C CXX)
      set(CMAKE_${lang}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env
                                        SOURCE_DATE_EPOCH=${TESSERA_SOURCE_DATE_EPOCH})
    endforeach()
  else()
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endmacro()

if(WIN32)
  # Unicode Win32 throughout; the product imports only Windows' own DLLs.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Static archives only: an import library such as libz.dll.a would make the
  # programs need zlib1.dll, which Windows does not have.
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  # Small executables: unused functions and data are dropped at link time.
  # The objects also carry their intermediate code, so that the shipped
  # programs link with link-time optimisation (tessera_release_program) and
  # the tests link fast without it.
  add_compile_options(-ffunction-sections -fdata-sections -flto -ffat-lto-objects)
  add_link_options(-Wl,--gc-sections -fno-lto)
  tessera_reproducible()
  set(TESSERA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${TESSERA_WINEPREFIX})
endif()

if(TESSERA_FUZZ)
  # Coverage for libFuzzer in every library; the fuzz targets link the driver.
  # Undefined behaviour aborts, so that libFuzzer counts it as a crash.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TESSERA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Windows-only modules are skipped by the native builds.
macro(tessera_windows_only)
  if(NOT WIN32)
    return()
  endif()
endmacro()

# tessera_wide_entry(TARGET): the Windows program starts at wmain or wWinMain,
# with its command line in UTF-16.
function(tessera_wide_entry target)
  target_link_options(${target} PRIVATE -municode)
endfunction()

# tessera_check_imports(TARGET): the build fails when the Windows program
# imports a DLL other than Windows' own.
function(tessera_check_imports target)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=$<TARGET_FILE:${target}>
                             -P ${CMAKE_SOURCE_DIR}/cmake/CheckImports.cmake
                     VERBATIM)
endfunction()

# Authenticode: with a certificate and its key the shipped programs are signed
# as they link; the payload's programs so before they are packed.
set(TESSERA_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM) for the shipped programs")
set(TESSERA_SIGN_KEY "" CACHE FILEPATH "The certificate's private key (PEM)")
set(TESSERA_SIGN_TIMESTAMP_URL "" CACHE STRING "Time-stamp server for the signatures (optional)")
if(TESSERA_SIGN_CERT OR TESSERA_SIGN_KEY)
  if(NOT WIN32 OR NOT TESSERA_SIGN_CERT OR NOT TESSERA_SIGN_KEY)
    message(FATAL_ERROR "Signing takes TESSERA_SIGN_CERT and TESSERA_SIGN_KEY, in a Windows build")
  endif()
  find_program(TESSERA_OSSLSIGNCODE osslsigncode REQUIRED)
endif()

# tessera_release_program(TARGET [NO_LTO]): a program that is shipped: linked
# with link-time optimisation (unless NO_LTO) and stripped, with the win32
# thread model's runtime, checked for foreign DLLs, and signed when the build
# signs.
function(tessera_release_program target)
  cmake_parse_arguments(P "NO_LTO" "" "" ${ARGN})
  # The runtime's folder ahead of the compiler's own; -no-pthread drops the
  # posix driver's -lpthread, so that a use of winpthread fails the link.
  target_link_options(${target} PRIVATE -s -L${TESSERA_WIN32_RUNTIME_DIR} -no-pthread)
  if(NOT P_NO_LTO)
    # After the -fno-lto of every link. One partition: with several, mingw-w64's
    # GCC 12 stops with an internal compiler error.
    target_link_options(${target} PRIVATE -flto -flto-partition=one)
  endif()
  tessera_check_imports(${target})
  if(NOT TESSERA_SIGN_CERT)
    return()
  endif()
  set(file $<TARGET_FILE:${target}>)
  set(time_options)
  if(TESSERA_SIGN_TIMESTAMP_URL)
    set(time_options -ts ${TESSERA_SIGN_TIMESTAMP_URL})
  endif()
  # The signing time of a reproducible build.
  if(TESSERA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    list(APPEND time_options -time ${TESSERA_SOURCE_DATE_EPOCH})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E rm -f ${file}.signed
                     COMMAND ${TESSERA_OSSLSIGNCODE} sign -certs ${TESSERA_SIGN_CERT}
                             -key ${TESSERA_SIGN_KEY} -h sha256 ${time_options}
                             -in ${file} -out ${file}.signed
                     COMMAND ${CMAKE_COMMAND} -E rename ${file}.signed ${file}
                     VERBATIM)
endfunction()

# tessera_add_gtest(NAME SOURCES... LIBS...): a GoogleTest executable.
# Natively each case is its own ctest test; under Wine the executable runs whole,
# since every Wine process start costs about a second.
function(tessera_add_gtest name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT TESSERA_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 150)
  endif()
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "wine;${T_LABELS}")
    # GUI tests share the one virtual display and its focus.
    if(T_GUI)
      set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "native;${T_LABELS}")
  endif()
endfunction()

# tessera_add_fuzzer(NAME SOURCES... LIBS...): a libFuzzer target, built by the
# fuzz preset only. Its seed corpus is the folder fuzz/NAME beside the sources.
function(tessera_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TESSERA_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY TESSERA_FUZZERS "${name}=${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${name}")
endfunction()
