# Tests of the application icon, the desktop integration files and the
# installed tree. Needs the packages desktop-file-utils and appstream.

vt_qtest(app_icon_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/AppIconTest.cpp LIBS vt_app)
string(REPLACE ";" "," vt_icon_sizes "${VT_ICON_SIZES}")
target_compile_definitions(app_icon_tests PRIVATE
    VT_DESKTOP_ID="${VT_DESKTOP_ID}"
    VT_ICON_SIZES="${vt_icon_sizes}"
    VT_APP_DIR="${VT_APP_DIR}")

# Runs a validator; a validator that is not installed fails the test instead
# of skipping it quietly.
function(vt_validator_test name tool package)
    find_program(VT_TOOL_${tool} ${tool})
    if(VT_TOOL_${tool})
        add_test(NAME ${name} COMMAND ${VT_TOOL_${tool}} ${ARGN})
    else()
        add_test(NAME ${name} COMMAND ${CMAKE_COMMAND}
            -DMESSAGE=${tool}\ is\ not\ installed\ \(Debian\ package\ ${package}\)
            -P ${CMAKE_CURRENT_SOURCE_DIR}/Fail.cmake)
    endif()
endfunction()

vt_validator_test(desktop_file_valid desktop-file-validate desktop-file-utils
    ${VT_APP_DIR}/${VT_DESKTOP_ID}.desktop)
# Any finding fails, hints included: a missing main category is only a hint,
# yet it drops the entry into the menu's catch-all section.
set_tests_properties(desktop_file_valid PROPERTIES FAIL_REGULAR_EXPRESSION ": (error|warning|hint): ")

vt_validator_test(metainfo_valid appstreamcli appstream
    validate --no-net ${VT_APP_DIR}/${VT_DESKTOP_ID}.metainfo.xml)

# The Linux layout; the Windows folder is checked in the installer's check
# (packaging/windows/check-installer).
if(NOT WIN32)
    add_test(NAME install_tree COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${CMAKE_BINARY_DIR}
        -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-tree
        -DBINDIR=${CMAKE_INSTALL_BINDIR}
        -DDATADIR=${CMAKE_INSTALL_DATADIR}
        -DMANDIR=${CMAKE_INSTALL_MANDIR}
        -DDOCDIR=${CMAKE_INSTALL_DOCDIR}
        -DID=${VT_DESKTOP_ID}
        "-DSIZES=${VT_ICON_SIZES}"
        -DVERSION=${PROJECT_VERSION}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/CheckInstall.cmake)
    # Several test runs in parallel would share the one temporary prefix.
    set_tests_properties(install_tree PROPERTIES RESOURCE_LOCK install-tree TIMEOUT 120)
endif()

# The Debian package as lintian sees it: no error and no warning. The package
# is made from release builds only; a debug or sanitizer build is not hardened.
if(UNIX AND NOT APPLE AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$"
        AND NOT VERTALINA_SANITIZE)
    find_program(VT_TOOL_lintian lintian)
    if(VT_TOOL_lintian)
        add_test(NAME deb_lintian COMMAND ${CMAKE_COMMAND}
            -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/deb
            -DLINTIAN=${VT_TOOL_lintian}
            -DCPACK=${CMAKE_CPACK_COMMAND}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/Lintian.cmake)
    else()
        add_test(NAME deb_lintian COMMAND ${CMAKE_COMMAND}
            "-DMESSAGE=lintian is not installed (Debian package lintian)"
            -P ${CMAKE_CURRENT_SOURCE_DIR}/Fail.cmake)
    endif()
    set_tests_properties(deb_lintian PROPERTIES TIMEOUT 600)
endif()
