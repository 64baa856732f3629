# The static libraries of the Windows toolkit (VT_WINDOWS_LIBS, found through
# the toolchain's search path). libzip and libxlsxwriter call zlib, which a
# plain find_library of either does not bring: every link ends with Debian's
# static zlib for MinGW (libz-mingw-w64-dev), which adds to a program only
# what it calls.

set(VT_WINDOWS_LIBS "" CACHE PATH "The folder that scripts/windows-toolkit --libs-path prints")
if(NOT EXISTS "${VT_WINDOWS_LIBS}/licenses")
    message(FATAL_ERROR "No Windows libraries in \"${VT_WINDOWS_LIBS}\": run scripts/windows-toolkit "
                        "and set VERTALINA_WINDOWS_LIBS to the folder that "
                        "scripts/windows-toolkit --libs-path prints")
endif()
find_library(VT_ZLIB_STATIC NAMES libz.a REQUIRED)
foreach(lang C CXX)
    string(APPEND CMAKE_${lang}_STANDARD_LIBRARIES " \"${VT_ZLIB_STATIC}\"")
endforeach()
