# Packaging with CPack: "cpack" in the build folder makes a Debian package
# (vertalina-editor_<version>_<arch>.deb) on Linux and a zip elsewhere.
# Build it from a release build: the package carries whatever the build is.

set(CPACK_PACKAGE_NAME vertalina-editor)
set(CPACK_PACKAGE_VENDOR "Vertalina")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vertalina editor developers <editor@vertalina.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of question bases for the quiz game Vertalina")
# Lines of the long description, kept under 80 columns for the package's
# control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "A desktop editor for the question bases (.dat files) of the quiz game"
    "Vertalina. It builds a base question by question, each with its round,"
    "question text, two to five answers and the correct answer, reopens any"
    "question to correct it, and loads and saves base files and CSV and JSON"
    "tables. Its controls and error messages are in English, its log lines"
    "in Russian."
    ""
    "The package also holds vertalina-base, a command-line program that"
    "checks bases, exports them as CSV or JSON tables and builds bases from"
    "such tables, for bases prepared in spreadsheets.")
set(CPACK_STRIP_FILES ON)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_GENERATOR DEB)
elseif(WIN32)
    # The portable zip and the installer (packaging/windows/Msi.cmake, over
    # the same staged files).
    set(CPACK_GENERATOR ZIP External)
    set(CPACK_PACKAGE_FILE_NAME vertalina-editor-${PROJECT_VERSION}-windows-x64)
    set(CPACK_EXTERNAL_ENABLE_STAGING ON)
    set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/windows/Msi.cmake)
    set(CPACK_EXTERNAL_VT_PRODUCT_NAME "Vertalina Editor")
    set(CPACK_EXTERNAL_VT_PROGRAM vertalina-editor.exe)
    set(CPACK_EXTERNAL_VT_ICON ${VT_ICO_FILE})
    # Never changes: it makes each new version replace the installed one.
    set(CPACK_EXTERNAL_VT_UPGRADE_CODE 6F1C2D3E-5A47-4B8E-9C21-7D0E5B3A9F42)
else()
    set(CPACK_GENERATOR ZIP)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps derives the library packages from the linked libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, so dpkg-shlibdeps cannot see
# them, and libqt6gui6 only recommends them: without them no window opens.
# fonts-wine brings the Tahoma face the window is drawn for, and
# qt6-translations-l10n the toolkit's dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wine, qt6-translations-l10n")

include(CPack)
