# Tests of a Windows build run under Wine: CMAKE_CROSSCOMPILING_EMULATOR names
# the command (the windows preset gives it its own prefix in the build folder).
# ctest then prepares the prefix once, before it lists the tests.

if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine")
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/WinePrefixTest.cmake CONTENT [[
set(VT_EMULATOR "@CMAKE_CROSSCOMPILING_EMULATOR@")
set(VT_STAMP "@CMAKE_BINARY_DIR@/wine-prefix.stamp")
include("@CMAKE_CURRENT_LIST_DIR@/WinePrefix.cmake")
]] @ONLY)
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY
        TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/WinePrefixTest.cmake)
endif()
