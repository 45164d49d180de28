# Fails when a file of a core library includes a header it must not reach:
# anything of the Qt program (app/) or of a ui/ folder, or a core folder that
# is not below its own in the order
#   common <- store <- tables <- config <- session <- subsystems <- ui/, app/
# The subsystems' arrows among themselves are listed one by one.
# Run as a script (cmake -DQINGHE_LIBRARY=... -DQINGHE_FILES=a;b -P this) at
# build time, and included at configure time with the same two variables set.
if(CMAKE_SCRIPT_MODE_FILE)
    cmake_minimum_required(VERSION 3.25)
endif()
set(_below_common "")
set(_below_store common)
set(_below_tables common store)
set(_below_config common store tables)
set(_below_session common store tables config)
set(_below_entry ${_below_session} session)
set(_below_import ${_below_entry} entry)
set(_below_ledger ${_below_import} import)
set(_below_report ${_below_entry} entry)
set(_below_maintenance ${_below_session} session)
set(_below_shell ${_below_maintenance} maintenance)

string(REGEX REPLACE "^qinghe_" "" _folder "${QINGHE_LIBRARY}")
if(NOT DEFINED _below_${_folder})
    message(FATAL_ERROR "Core library ${QINGHE_LIBRARY} has no place in the order of the core "
                        "(cmake/CheckCoreIncludes.cmake)")
endif()
set(_core_folders common store tables config session entry import ledger report maintenance shell)

foreach(file IN LISTS QINGHE_FILES)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z0-9_]+/")
    foreach(line IN LISTS includes)
        string(STRIP "${line}" line)
        string(REGEX MATCH "\"([A-Za-z0-9_]+)/([A-Za-z0-9_]+/)?" _ "${line}")
        set(target "${CMAKE_MATCH_1}")
        if(target STREQUAL "app" OR CMAKE_MATCH_2 STREQUAL "ui/")
            message(FATAL_ERROR
                "Core library ${QINGHE_LIBRARY} must not include the GUI: ${file}: ${line}")
        endif()
        if(target STREQUAL _folder OR NOT target IN_LIST _core_folders)
            continue()
        endif()
        if(NOT target IN_LIST _below_${_folder})
            message(FATAL_ERROR
                "${_folder}/ sits below ${target}/ and must not include it: ${file}: ${line}")
        endif()
    endforeach()
endforeach()
