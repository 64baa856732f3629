cmake_minimum_required(VERSION 3.25)

# Installs the build into a fresh prefix and checks the installed tree: the
# executables, the desktop entry, the metainfo, every icon, the manual pages,
# the copyright file and the changelog, and nothing else.
# Arguments: BUILD_DIR PREFIX BINDIR DATADIR MANDIR DOCDIR ID SIZES VERSION.

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(errors "")
macro(fail text)
    string(APPEND errors "  ${text}\n")
endmacro()

set(exe ${BINDIR}/vertalina-editor)
set(desktop ${DATADIR}/applications/${ID}.desktop)
set(metainfo ${DATADIR}/metainfo/${ID}.metainfo.xml)
set(svg ${DATADIR}/icons/hicolor/scalable/apps/${ID}.svg)
set(expected ${exe} ${desktop} ${metainfo} ${svg})
# The companion command-line program is installed beside the editor.
list(APPEND expected ${BINDIR}/vertalina-base)
list(APPEND expected ${MANDIR}/man1/vertalina-editor.1.gz ${MANDIR}/man1/vertalina-base.1.gz
    ${DOCDIR}/copyright ${DOCDIR}/changelog.gz)
foreach(size IN LISTS SIZES)
    list(APPEND expected ${DATADIR}/icons/hicolor/${size}x${size}/apps/${ID}.png)
endforeach()

# The tree holds exactly the expected files: no library, header or test.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
set(missing ${expected})
list(REMOVE_ITEM missing ${installed})
set(extra ${installed})
list(REMOVE_ITEM extra ${expected})
foreach(path IN LISTS missing)
    fail("missing: ${path}")
endforeach()
foreach(path IN LISTS extra)
    fail("not expected: ${path}")
endforeach()

if(EXISTS ${PREFIX}/${exe})
    execute_process(COMMAND test -x ${PREFIX}/${exe} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        fail("${exe} is not executable")
    endif()
endif()

# Each PNG is the size its folder names: the width and height are the two
# big-endian 32-bit numbers at byte 16 of the file.
foreach(size IN LISTS SIZES)
    set(png ${PREFIX}/${DATADIR}/icons/hicolor/${size}x${size}/apps/${ID}.png)
    if(EXISTS ${png})
        file(READ ${png} header LIMIT 24 HEX)
        math(EXPR hexsize "${size}" OUTPUT_FORMAT HEXADECIMAL)
        string(REGEX REPLACE "^0x" "" hexsize ${hexsize})
        string(LENGTH ${hexsize} len)
        while(len LESS 8)
            string(PREPEND hexsize 0)
            string(LENGTH ${hexsize} len)
        endwhile()
        if(NOT header MATCHES "^89504e470d0a1a0a0000000d49484452${hexsize}${hexsize}$")
            fail("${png} is not a ${size}x${size} PNG")
        endif()
    endif()
endforeach()

# The menu entry starts the installed program and names the installed icon.
if(EXISTS ${PREFIX}/${desktop})
    file(STRINGS ${PREFIX}/${desktop} lines)
    foreach(wanted "Exec=vertalina-editor" "Icon=${ID}" "Type=Application")
        if(NOT wanted IN_LIST lines)
            fail("${desktop} lacks the line ${wanted}")
        endif()
    endforeach()
endif()

# The metainfo belongs to the same id and describes this version.
if(EXISTS ${PREFIX}/${metainfo})
    file(READ ${PREFIX}/${metainfo} text)
    foreach(wanted "<id>${ID}</id>" "<launchable type=\"desktop-id\">${ID}.desktop</launchable>"
            "<release version=\"${VERSION}\"")
        string(FIND "${text}" "${wanted}" at)
        if(at EQUAL -1)
            fail("${metainfo} lacks ${wanted}")
        endif()
    endforeach()
endif()

if(errors)
    message(FATAL_ERROR "Installed tree under ${PREFIX} is wrong:\n${errors}")
endif()
message(STATUS "Installed tree under ${PREFIX} is complete")
