# Read by ctest before it lists the tests: with a Wine emulator, the first
# start makes the Wine prefix (some seconds, once per build folder), here and
# not inside a test's discovery or a timed test.
# VT_EMULATOR and VT_STAMP are set by the include file that the build writes.

if(NOT EXISTS "${VT_STAMP}")
    message(STATUS "Preparing the Wine prefix")
    execute_process(COMMAND ${VT_EMULATOR} wineboot -i
        RESULT_VARIABLE vt_result OUTPUT_QUIET ERROR_QUIET TIMEOUT 300)
    if(vt_result EQUAL 0)
        file(TOUCH "${VT_STAMP}")
    else()
        message(WARNING "wineboot -i failed (${vt_result}); the tests will start Wine themselves")
    endif()
endif()
