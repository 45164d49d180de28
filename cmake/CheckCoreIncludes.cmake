# Fails when a file of a core library includes a header of the Qt program
# (app/) or of any ui/ folder: the core sits below the windows, never above.
# Run as a script (cmake -DQINGHE_LIBRARY=... -DQINGHE_FILES=a;b -P this) at
# build time, and included at configure time with the same two variables set.
foreach(file IN LISTS QINGHE_FILES)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](app|[A-Za-z0-9_]+/ui)/")
    if(includes)
        list(GET includes 0 first)
        string(STRIP "${first}" first)
        message(FATAL_ERROR
            "Core library ${QINGHE_LIBRARY} must not include the GUI: ${file}: ${first}")
    endif()
endforeach()
