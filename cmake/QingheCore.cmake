# Core libraries are plain C++: they must never reach Qt, directly or through
# another library, nor include a header of the Qt program (app/), of a ui/
# folder or of a core folder above their own (cmake/CheckCoreIncludes.cmake).
# The includes are checked at configure time and again whenever a file of the
# library changes.
set_property(GLOBAL PROPERTY QINGHE_CORE_LIBRARIES "")
set(QINGHE_INCLUDE_CHECK ${CMAKE_CURRENT_LIST_DIR}/CheckCoreIncludes.cmake)

function(qinghe_core_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    set_property(GLOBAL APPEND PROPERTY QINGHE_CORE_LIBRARIES ${name})

    # Every source and header of the library's folder, its ui/ subfolder aside.
    file(GLOB files CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    set(QINGHE_LIBRARY ${name})
    set(QINGHE_FILES ${files})
    include(${QINGHE_INCLUDE_CHECK})
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.includes-checked)
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DQINGHE_LIBRARY=${name} "-DQINGHE_FILES=${files}"
                -P ${QINGHE_INCLUDE_CHECK}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${files} ${QINGHE_INCLUDE_CHECK}
        COMMENT "Checking that ${name} includes only what is below it"
        VERBATIM)
    add_custom_target(${name}_include_check DEPENDS ${stamp})
    add_dependencies(${name} ${name}_include_check)
endfunction()

function(_qinghe_collect_links target out_var)
    set(seen ${${out_var}})
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(links ${target} ${property})
        if(NOT links)
            continue()
        endif()
        foreach(link IN LISTS links)
            if(link IN_LIST seen)
                continue()
            endif()
            list(APPEND seen ${link})
            if(TARGET ${link})
                _qinghe_collect_links(${link} seen)
            endif()
        endforeach()
    endforeach()
    set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

function(qinghe_check_core_without_qt)
    get_property(core GLOBAL PROPERTY QINGHE_CORE_LIBRARIES)
    foreach(lib IN LISTS core)
        set(links "")
        _qinghe_collect_links(${lib} links)
        foreach(link IN LISTS links)
            if(link MATCHES "Qt[0-9]*::|Qt[0-9]*[A-Z]|libQt")
                message(FATAL_ERROR "Core library ${lib} must not link Qt (found ${link})")
            endif()
        endforeach()
        get_target_property(incs ${lib} INCLUDE_DIRECTORIES)
        foreach(inc IN LISTS incs)
            if(inc MATCHES "qt[0-9]")
                message(FATAL_ERROR "Core library ${lib} must not include Qt headers (${inc})")
            endif()
        endforeach()
    endforeach()
endfunction()
