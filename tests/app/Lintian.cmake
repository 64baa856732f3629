cmake_minimum_required(VERSION 3.25)

# Makes the Debian package of the build with cpack and runs lintian on it;
# any error or warning fails.
# Arguments: BUILD_DIR WORK_DIR LINTIAN CPACK.

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()
file(GLOB debs ${WORK_DIR}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} packages, not one: ${debs}")
endif()

execute_process(COMMAND ${LINTIAN} --fail-on error,warning --tag-display-limit 0 ${debs}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian finds errors or warnings in ${debs}")
endif()
message(STATUS "lintian finds no error and no warning in ${debs}")
