# cmake -DOBJDUMP=... -DPROVIDER=dll -DPROGRAMS="a.exe;b.exe" -P check_binaries.cmake
# Each binary imports from Windows' own libraries only: a MinGW runtime DLL
# (libstdc++, libgcc, winpthread) or zlib1.dll would have to be shipped
# beside it. The provider DLL exports DllCanUnloadNow and DllGetClassObject
# and nothing else.
cmake_minimum_required(VERSION 3.25)
set(windows_libraries
  advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
  oleaut32.dll shell32.dll shlwapi.dll user32.dll windowscodecs.dll)

set(failed FALSE)
foreach(binary ${PROVIDER} ${PROGRAMS})
  execute_process(COMMAND ${OBJDUMP} -p ${binary} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${OBJDUMP} -p ${binary} failed")
    set(failed TRUE)
    continue()
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(import ${imports})
    string(REPLACE "DLL Name: " "" library "${import}")
    string(STRIP "${library}" library)
    string(TOLOWER "${library}" library)
    if(NOT library IN_LIST windows_libraries)
      message(SEND_ERROR "${binary} imports ${library}, which Windows does not have")
      set(failed TRUE)
    endif()
  endforeach()
  message(STATUS "${binary}: imports ${imports}")
endforeach()

# The export table's names: "[   0] DllCanUnloadNow" lines after its heading.
execute_process(COMMAND ${OBJDUMP} -p ${PROVIDER} OUTPUT_VARIABLE dump)
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table)
if(table EQUAL -1)
  message(FATAL_ERROR "${PROVIDER} has no export table")
endif()
string(SUBSTRING "${dump}" ${table} -1 dump)
string(FIND "${dump}" "\n\n" end)  # the table ends at the first blank line
string(SUBSTRING "${dump}" 0 ${end} dump)
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_0-9@]+" entries "${dump}")
set(exports)
foreach(entry ${entries})
  string(REGEX REPLACE "\\[ *[0-9]+\\] " "" name "${entry}")
  list(APPEND exports ${name})
endforeach()
list(SORT exports)
if(NOT exports STREQUAL "DllCanUnloadNow;DllGetClassObject")
  message(SEND_ERROR "${PROVIDER} exports '${exports}', not DllCanUnloadNow;DllGetClassObject")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "binaries need more than Windows has, or export the wrong names")
endif()
