# Checks the Windows package as a user receives it, in CMake's script mode:
#   cmake -DOBJDUMP=... -DZIP=... -DPROGRAMS=a.exe;b.exe -DWORK=folder -P check_package.cmake
# Each program must be in the zip's "Muralis" folder byte for byte, be a GUI
# program (no console window at log-on) and import no DLL but those every
# Windows has: the C++ runtime, libgcc and winpthread are linked in.
cmake_policy(VERSION 3.25)

set(system_dlls advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll
    ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll version.dll)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE unpacked)
if(NOT unpacked EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${ZIP}")
endif()

set(problems "")
foreach(program IN LISTS PROGRAMS)
    get_filename_component(name ${program} NAME)
    set(packed ${WORK}/Muralis/${name})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${program} ${packed}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        string(APPEND problems "${name}: missing from the zip or not the built file\n")
        continue()
    endif()

    execute_process(COMMAND ${OBJDUMP} -p ${packed} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${OBJDUMP} -p ${packed} failed")
    endif()
    if(NOT headers MATCHES "Subsystem[ \t]+00000002")
        string(APPEND problems "${name}: not a Windows GUI program\n")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
    if(NOT imports)
        string(APPEND problems "${name}: no imports found in objdump's output\n")
    endif()
    foreach(import IN LISTS imports)
        string(REPLACE "DLL Name: " "" dll "${import}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" dll)
        if(NOT dll IN_LIST system_dlls)
            string(APPEND problems "${name}: needs ${dll}, which Windows does not ship\n")
        endif()
    endforeach()
    message(STATUS "${name}: ${imports}")
endforeach()

file(REMOVE_RECURSE ${WORK})
if(problems)
    message(FATAL_ERROR "${problems}")
endif()
