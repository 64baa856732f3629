# The application icon, the Windows resources, the desktop integration files,
# the install rules and the packaging of the editor.

# The id shared by the desktop entry, the icon in the icon theme, the AppStream
# metainfo and DesktopFileId in AppIcon.h.
set(VT_DESKTOP_ID org.vertalina.Editor CACHE INTERNAL "Desktop file id of the editor")
# The sizes of icons/png/<N>.png; AppIconSizes in AppIcon.h lists the same.
set(VT_ICON_SIZES 16 24 32 48 64 128 256 CACHE INTERNAL "Sizes of the application icon images")
set(VT_APP_DIR ${CMAKE_CURRENT_SOURCE_DIR} CACHE INTERNAL "Source folder of the application")

# The PNG images of the icon, compiled into the program (see AppIcon.cpp).
target_sources(vt_app PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/icons/vertalina_icons.qrc)

if(WIN32)
    # The icon, the manifest and the version information: cmake/WindowsResources.cmake.
    target_link_libraries(vertalina-editor PRIVATE vt_app_resources)
    if(MSVC)
        # The MSVC linker merges a listed manifest into the one it embeds.
        target_sources(vertalina-editor PRIVATE ${VT_APP_MANIFEST})
    endif()
    # A windowed program: no console window opens with it.
    set_target_properties(vertalina-editor PROPERTIES WIN32_EXECUTABLE ON)
endif()

install(TARGETS vertalina-editor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/${VT_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/${VT_DESKTOP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size IN LISTS VT_ICON_SIZES)
        install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/png/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VT_DESKTOP_ID}.png)
    endforeach()
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/${VT_DESKTOP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

include(${PROJECT_SOURCE_DIR}/cmake/Packaging.cmake)
