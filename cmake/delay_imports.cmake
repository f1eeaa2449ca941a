# Import libraries that load their DLL at the first call into it instead of at start.
# The common controls, the common dialogs, the shell and OLE serve the program's windows and
# a few of its actions only, yet loading them costs every start: under Wine the common
# controls theme themselves as they load (the theme file and its fonts), about 20 ms of a
# quick freeze that opens no window. The toolchain's linker has no delay-load switch, so a
# delay import library is made with dlltool from the names the toolchain's own import
# library exports; the helper that resolves the calls, __delayLoadHelper2, is in the
# toolchain's runtime.
#   quarvel_delay_import_libraries(OUT_VAR comctl32 comdlg32 ...)
# sets OUT_VAR to the libraries to link in place of the plain ones. The 32-bit build keeps
# plain imports: its linker (binutils 2.40) drops an import thunk that no symbol names, and
# the program calls through the import slots, so the slots would point at nothing (0).
function(quarvel_delay_import_libraries out_var)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(${out_var} ${ARGN} PARENT_SCOPE)
        return()
    endif()
    if(NOT CMAKE_DLLTOOL OR NOT CMAKE_NM)
        message(FATAL_ERROR "The delay import libraries need the toolchain's dlltool and nm.")
    endif()
    set(libraries "")
    foreach(dll ${ARGN})
        find_library(plain_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
        set(def ${CMAKE_BINARY_DIR}/delay/${dll}.def)
        set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
        if(NOT EXISTS ${lib} OR ${plain_${dll}} IS_NEWER_THAN ${lib})
            execute_process(COMMAND ${CMAKE_NM} -g ${plain_${dll}}
                OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
            # Every "I __imp_Name" is a function the DLL exports under Name.
            string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
            set(lines "LIBRARY ${dll}.dll\nEXPORTS\n")
            foreach(entry ${imports})
                string(REGEX REPLACE "^I __imp_" "" name "${entry}")
                string(APPEND lines "${name}\n")
            endforeach()
            file(WRITE ${def} "${lines}")
            execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
                --output-delaylib ${lib} COMMAND_ERROR_IS_FATAL ANY)
        endif()
        list(APPEND libraries ${lib})
    endforeach()
    set(${out_var} ${libraries} PARENT_SCOPE)
endfunction()
