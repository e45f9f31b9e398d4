# Builds the Debian package from the build folder into DEB_DIR, afresh, and says how long it took.
# cmake -DBUILD_DIR=... -DDEB_DIR=... -DCPACK=... -P builddeb.cmake
file(REMOVE_RECURSE ${DEB_DIR})
string(TIMESTAMP started "%s")
execute_process(
    COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${DEB_DIR}
    WORKING_DIRECTORY ${BUILD_DIR}
    RESULT_VARIABLE result)
string(TIMESTAMP finished "%s")
math(EXPR seconds "${finished} - ${started}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack -G DEB failed (${result}) after ${seconds} s")
endif()
message(STATUS "cpack -G DEB took ${seconds} s")
