# What the Windows programs need beside them: Qt's DLLs and plugins, the
# MinGW runtime DLLs, the toolkit's translations and the licences. The same
# list feeds the build folder (so that the tests and the programs start from
# bin/ as they would from the installed folder) and the install step, which
# the zip and the MSI package.
#
# Layout of both: the two programs, the DLLs, platforms/ and styles/ (Qt looks
# for plugins beside the program), translations/ (the editor loads the
# toolkit's translations from there), LICENSE.txt and licenses/.

set(VT_WINDOWS_TOOLKIT "" CACHE PATH "The folder that scripts/windows-toolkit prints")
if(NOT EXISTS "${VT_WINDOWS_TOOLKIT}/qt/bin/Qt6Core.dll")
    message(FATAL_ERROR "No Windows toolkit in \"${VT_WINDOWS_TOOLKIT}\": run scripts/windows-toolkit "
                        "and set VERTALINA_WINDOWS_TOOLKIT to the folder it prints")
endif()
set(vt_qt ${VT_WINDOWS_TOOLKIT}/qt)
set(VT_QT_TRANSLATIONS_DIR /usr/share/qt6/translations CACHE PATH
    "The toolkit's translations (Debian's qt6-translations-l10n: the same files for every system)")

set(vt_runtime_libraries)
foreach(name libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
        OUTPUT_VARIABLE vt_file OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${vt_file}" OR NOT EXISTS "${vt_file}")
        message(FATAL_ERROR "The MinGW runtime ${name} was not found (${CMAKE_CXX_COMPILER})")
    endif()
    list(APPEND vt_runtime_libraries ${vt_file})
endforeach()

# Shipped: what the two programs load. For the build folder only: what the
# tests load besides (QtTest and the offscreen platform).
set(vt_shipped_dlls ${vt_qt}/bin/Qt6Core.dll ${vt_qt}/bin/Qt6Gui.dll ${vt_qt}/bin/Qt6Widgets.dll
    ${vt_runtime_libraries})
set(vt_test_dlls ${vt_qt}/bin/Qt6Test.dll)
set(vt_shipped_platforms ${vt_qt}/plugins/platforms/qwindows.dll)
set(vt_test_platforms ${vt_qt}/plugins/platforms/qoffscreen.dll)
set(vt_shipped_styles ${vt_qt}/plugins/styles/qwindowsvistastyle.dll)
file(GLOB vt_translations ${VT_QT_TRANSLATIONS_DIR}/qtbase_*.qm)
if(NOT vt_translations)
    message(FATAL_ERROR "No qtbase_*.qm in ${VT_QT_TRANSLATIONS_DIR}: install qt6-translations-l10n")
endif()
foreach(file IN LISTS vt_shipped_dlls vt_test_dlls vt_shipped_platforms vt_test_platforms vt_shipped_styles)
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "The Windows toolkit lacks ${file}")
    endif()
endforeach()
set(vt_licences ${vt_qt}/LGPL-3.0-only.txt ${vt_qt}/copyright)

# Into the build folder, before any program of it runs.
set(vt_bin ${CMAKE_BINARY_DIR}/bin)
set(vt_stamp ${CMAKE_BINARY_DIR}/windows-runtime.stamp)
add_custom_command(OUTPUT ${vt_stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${vt_bin}/platforms ${vt_bin}/styles ${vt_bin}/translations
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vt_shipped_dlls} ${vt_test_dlls} ${vt_bin}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vt_shipped_platforms} ${vt_test_platforms}
            ${vt_bin}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vt_shipped_styles} ${vt_bin}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vt_translations} ${vt_bin}/translations
    COMMAND ${CMAKE_COMMAND} -E touch ${vt_stamp}
    DEPENDS ${vt_shipped_dlls} ${vt_test_dlls} ${vt_shipped_platforms} ${vt_test_platforms}
            ${vt_shipped_styles} ${vt_translations}
    COMMENT "Copying the Qt and MinGW runtime into bin/"
    VERBATIM)
add_custom_target(vt_windows_runtime ALL DEPENDS ${vt_stamp})

install(FILES ${vt_shipped_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${vt_shipped_platforms} DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES ${vt_shipped_styles} DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
install(FILES ${vt_translations} DESTINATION ${CMAKE_INSTALL_BINDIR}/translations)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME LICENSE.txt)
install(FILES ${vt_qt}/LGPL-3.0-only.txt DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses RENAME Qt-LGPL-3.0-only.txt)
install(FILES ${vt_qt}/copyright DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses RENAME Qt-copyright.txt)
install(FILES ${VT_WINDOWS_TOOLKIT}/libcsv/copyright DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses
    RENAME libcsv-copyright.txt)
install(FILES ${VT_WINDOWS_TOOLKIT}/libcsv/COPYING.LESSER DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses
    RENAME libcsv-LGPL-2.1.txt)
# The toolkit's static libraries (<name>-LICENSE.txt, <name>-copyright.txt).
install(DIRECTORY ${VT_WINDOWS_LIBS}/licenses/ DESTINATION ${CMAKE_INSTALL_BINDIR}/licenses)
