# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64-posix: the posix thread model, which std::thread and
# std::mutex need).
#
# By default everything is linked statically, the C and C++ runtimes and
# winpthread included, so that an .exe runs on Windows or under Wine without
# DLLs beside it. With VT_MINGW_SHARED_RUNTIME (the windows-qt preset, whose
# Qt DLLs use the shared runtime) the programs use the same runtime DLLs as
# Qt, shipped beside them: one C++ runtime in the process.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(vt_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${vt_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${vt_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${vt_mingw_triple}-windres)

# Headers and libraries come from the target's tree only; programs (windres,
# wine) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${vt_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The libraries that scripts/windows-toolkit builds beside Qt (simdjson,
# expat, libzip, libxlsxwriter, CLI11; static): VT_WINDOWS_LIBS names their
# prefix, where plain find_path, find_library and find_package look first.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VT_WINDOWS_LIBS)
if(VT_WINDOWS_LIBS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${VT_WINDOWS_LIBS})
    list(APPEND CMAKE_PREFIX_PATH ${VT_WINDOWS_LIBS})
endif()

# GCC's interprocedural register allocation lets a caller trust that a callee
# leaves some call-clobbered registers alone. When the linker picks another
# object's copy of an inline template, that trust is broken (seen as a crash
# inside Qt's random generator): never make the assumption.
set(CMAKE_C_FLAGS_INIT "-fno-ipa-ra")
set(CMAKE_CXX_FLAGS_INIT "-fno-ipa-ra")
if(VT_WINDOWS_LIBS)
    # expat's header declares its functions as DLL imports unless told that
    # the library is static. (libzip's static zipconf.h says so itself.)
    string(APPEND CMAKE_C_FLAGS_INIT " -DXML_STATIC")
    string(APPEND CMAKE_CXX_FLAGS_INIT " -DXML_STATIC")
endif()

# No link time stamp in the PE header: the same objects link to the same bytes.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VT_MINGW_SHARED_RUNTIME)
if(VT_MINGW_SHARED_RUNTIME)
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
else()
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
endif()
