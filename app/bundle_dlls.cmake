# The install step that completes the portable folder: copies beside vesk.exe every DLL that
# it and its Qt plugins need from VESK_DLL_FOLDERS, and what those DLLs need in turn. A DLL
# found in none of the folders is Windows' own. Windows matches DLL names without regard to
# case, and so does this step on a case-sensitive file system, where a cross build runs it.
cmake_policy(VERSION 3.25)

foreach(folder IN LISTS VESK_DLL_FOLDERS)
    file(GLOB dlls "${folder}/*.dll")
    foreach(dll IN LISTS dlls)
        get_filename_component(name "${dll}" NAME)
        string(TOLOWER "${name}" name)
        if(NOT DEFINED "available_${name}")
            set("available_${name}" "${dll}")
        endif()
    endforeach()
endforeach()

file(GLOB plugins "${CMAKE_INSTALL_PREFIX}/*/*.dll")
set(inputs EXECUTABLES "${CMAKE_INSTALL_PREFIX}/${VESK_EXECUTABLE}" MODULES ${plugins})
set(bundled)
while(inputs)
    file(GET_RUNTIME_DEPENDENCIES ${inputs}
        DIRECTORIES ${VESK_DLL_FOLDERS}
        PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
        POST_EXCLUDE_REGEXES "[Ss]ystem32"
        RESOLVED_DEPENDENCIES_VAR resolved
        UNRESOLVED_DEPENDENCIES_VAR unresolved)
    set(found)
    foreach(dll IN LISTS resolved)
        if(NOT dll IN_LIST bundled)
            list(APPEND bundled "${dll}")
        endif()
    endforeach()
    foreach(name IN LISTS unresolved)
        string(TOLOWER "${name}" name)
        set(dll "${available_${name}}")
        if(dll AND NOT dll IN_LIST bundled)
            list(APPEND bundled "${dll}")
            list(APPEND found "${dll}")
        endif()
    endforeach()
    set(inputs)
    if(found)
        set(inputs LIBRARIES ${found})
    endif()
endwhile()
file(INSTALL ${bundled} DESTINATION "${CMAKE_INSTALL_PREFIX}")

# `cmake --install --strip` strips the executable; MinGW's DLLs carry symbols too.
if(CMAKE_INSTALL_DO_STRIP AND VESK_STRIP)
    file(GLOB_RECURSE dlls "${CMAKE_INSTALL_PREFIX}/*.dll")
    foreach(dll IN LISTS dlls)
        execute_process(COMMAND "${VESK_STRIP}" "${dll}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
