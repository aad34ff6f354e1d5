# cmake -DOBJDUMP=... -DFILE=program.exe -P CheckImports.cmake
# Fails when the program imports a DLL that is not one of Windows' KnownDLLs:
# the programs run elevated from folders that others can write, and Windows
# looks for any other imported DLL in the program's own folder first. Such
# DLLs are loaded at run time from the system directory instead.
cmake_minimum_required(VERSION 3.25)
set(windows_dlls ADVAPI32 GDI32 KERNEL32 MSVCRT OLE32 OLEAUT32 SHELL32 USER32)
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${FILE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
set(foreign)
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" dll "${line}")
  string(TOUPPER "${dll}" dll)
  if(NOT dll IN_LIST windows_dlls)
    list(APPEND foreign "${dll}")
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${FILE} imports DLLs that Windows does not bring: ${foreign}")
endif()
