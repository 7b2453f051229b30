# Fails when a source of one library includes a header from a library it does not link, i.e. from
# a higher layer. Run as a script at build time:
#   cmake -DFOLDER=<dir> -DALLOWED=<folders> [-DSTAMP=<file>] -P CheckIncludes.cmake
# FOLDER is the library's folder; ALLOWED lists the folders (below src/) whose headers it may
# include, its own among them. Any quoted include naming a folder of src/ that is not allowed is
# reported with its file and line. Headers of the system and of Qt (angle brackets) are not
# looked at.
if(NOT FOLDER OR NOT DEFINED ALLOWED)
    message(FATAL_ERROR "CheckIncludes.cmake needs FOLDER and ALLOWED")
endif()

file(GLOB_RECURSE sources "${FOLDER}/*.h" "${FOLDER}/*.cpp")
set(violations "")
foreach(source ${sources})
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line ${lines})
        string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
        set(header "${CMAKE_MATCH_1}")
        # Only "folder/…" includes name a layer; a bare "File.h" is local to its folder.
        if(NOT header MATCHES "/")
            continue()
        endif()
        set(permitted FALSE)
        foreach(prefix ${ALLOWED})
            string(LENGTH "${prefix}/" length)
            string(SUBSTRING "${header}" 0 ${length} start)
            if(start STREQUAL "${prefix}/")
                set(permitted TRUE)
                break()
            endif()
        endforeach()
        if(NOT permitted)
            file(RELATIVE_PATH shown "${FOLDER}" "${source}")
            string(APPEND violations "\n  ${shown}: #include \"${header}\"")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "${FOLDER} may include only ${ALLOWED}; these reach higher:${violations}")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
