# What both Windows toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR first.
#
# TESSERA_MINGW_THREADS picks the compilers' thread model: posix (the default),
# which GoogleTest needs, with winpthread linked statically; or win32, whose
# programs need no winpthread, the one that Debian builds importing
# GetTickCount64, which Windows XP lacks. The i686 build, which runs no tests,
# takes win32, so that it starts on XP. Whatever the model, the shipped
# programs link the win32 model's runtime (TESSERA_WIN32_RUNTIME_DIR): they
# make their threads with CreateThread, and with the posix runtime the guards
# of static locals and the exception pool alone would bring winpthread along.
if(NOT TESSERA_MINGW_THREADS)
  set(TESSERA_MINGW_THREADS posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TESSERA_MINGW_THREADS)
set(CMAKE_SYSTEM_NAME Windows)
set(TOOLCHAIN_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-${TESSERA_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${TESSERA_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
execute_process(COMMAND ${TOOLCHAIN_PREFIX}-gcc-win32 -print-libgcc-file-name
                OUTPUT_VARIABLE TESSERA_WIN32_RUNTIME_DIR OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
cmake_path(GET TESSERA_WIN32_RUNTIME_DIR PARENT_PATH TESSERA_WIN32_RUNTIME_DIR)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
