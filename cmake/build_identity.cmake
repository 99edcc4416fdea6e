# The build's identity: the project's version and the source commit, taken from the source
# tree when it is configured (never from the clock, so that two builds of one commit stay
# byte for byte the same). A tree that is no git checkout reads "unknown"; a copy of a
# checkout can be given its commit with -DTVIS_SOURCE_COMMIT=... (scripts/test.sh does for
# its second, reproducibility build). The values land in build_identity.h, which tvispack
# and the installer's version resource include.
set(TVIS_SOURCE_COMMIT "" CACHE STRING
    "The source commit named in the programs (default: git rev-parse HEAD of the source tree)")

set(tvis_commit "${TVIS_SOURCE_COMMIT}")
if(tvis_commit STREQUAL "")
    set(tvis_commit unknown)
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --verify HEAD
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE result ERROR_QUIET)
        if(result EQUAL 0 AND head MATCHES "^[0-9a-f]+$")
            set(tvis_commit ${head})
            # A new commit configures again, so that the programs never name an old one.
            execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path HEAD
                            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                            OUTPUT_VARIABLE head_file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --symbolic-full-name HEAD
                            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                            OUTPUT_VARIABLE branch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            set(watched ${head_file})
            if(branch MATCHES "^refs/")
                execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${branch}
                                        --git-path packed-refs
                                WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                                OUTPUT_VARIABLE ref_files OUTPUT_STRIP_TRAILING_WHITESPACE
                                ERROR_QUIET)
                string(REPLACE "\n" ";" ref_files "${ref_files}")
                list(APPEND watched ${ref_files})
            endif()
            foreach(file IN LISTS watched)
                if(NOT IS_ABSOLUTE "${file}")
                    set(file "${PROJECT_SOURCE_DIR}/${file}")
                endif()
                if(EXISTS "${file}")
                    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY
                                 CMAKE_CONFIGURE_DEPENDS "${file}")
                endif()
            endforeach()
        endif()
    endif()
endif()
if(NOT tvis_commit MATCHES "^([0-9a-f]+|unknown)$")
    message(FATAL_ERROR "TVIS_SOURCE_COMMIT '${tvis_commit}' is no commit (hex digits)")
endif()

set(TVIS_BUILD_COMMIT ${tvis_commit})
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_identity.h.in
               ${CMAKE_BINARY_DIR}/generated/build_identity.h @ONLY)
add_library(build_identity INTERFACE)
target_include_directories(build_identity INTERFACE ${CMAKE_BINARY_DIR}/generated)
