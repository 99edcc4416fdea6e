# Fails unless every DLL that a Windows program imports is one that Windows always takes
# from its system folder (a KnownDLL). Any other imported DLL is looked for in the
# program's own folder first, before the program's code runs, and an installer is
# started from a downloads folder where anybody may leave a DLL of that name.
# Runs on the build host, not under Wine:
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<file> [-DEXPECT_REJECTED=<a.dll;b.dll>] -P check_imports.cmake
# With EXPECT_REJECTED the check is turned on itself: it passes only when exactly those DLLs
# are rejected, which shows on a program built to import one that the check can fail.

cmake_minimum_required(VERSION 3.25)

# KnownDLLs of every Windows from 7 to 11, in lower case.
set(system_dlls advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll
    oleaut32.dll rpcrt4.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)

foreach(variable OBJDUMP PROGRAM)
    if(NOT ${variable})
        message(FATAL_ERROR "check_imports.cmake needs -D${variable}=...")
    endif()
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE listing
                ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed (${result}): ${errors}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${listing}")
if(NOT lines)
    message(FATAL_ERROR "no imported DLL found in ${PROGRAM}: not a Windows program?")
endif()

set(imported)
set(rejected)
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: +" "" name "${line}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" name)
    list(APPEND imported ${name})
    if(NOT name IN_LIST system_dlls)
        list(APPEND rejected ${name})
    endif()
endforeach()
list(REMOVE_DUPLICATES rejected)
list(SORT rejected)
message(STATUS "imports of ${PROGRAM}: ${imported}")

string(TOLOWER "${EXPECT_REJECTED}" expected)
list(SORT expected)
if(NOT "${rejected}" STREQUAL "${expected}")
    if(expected)
        message(FATAL_ERROR "expected the check to reject \"${expected}\", it rejected \"${rejected}\"")
    endif()
    message(FATAL_ERROR "${PROGRAM} imports DLLs that Windows may take from the program's own "
                        "folder: ${rejected}. Load them by full path from the system folder.")
endif()
