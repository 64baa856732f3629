# The editor's Windows resources: the icon, the manifest and the version
# information, compiled from src/app/windows/vertalina-editor.rc.in into the
# object library vt_app_resources. The editor links it; a build without the
# editor (the windows preset has no Qt) still compiles it, so that the
# resource script is checked there too.

set(vt_app_dir ${PROJECT_SOURCE_DIR}/src/app)
set(VT_ICO_FILE ${vt_app_dir}/icons/org.vertalina.Editor.ico)
set(VT_RC_DESCRIPTION "Vertalina question base editor")
set(VT_APP_MANIFEST ${vt_app_dir}/windows/vertalina-editor.manifest)
if(MSVC)
    # The MSVC linker merges a manifest listed among the executable's sources
    # into the one it embeds (see src/app/Desktop.cmake).
    set(VT_MANIFEST_RESOURCE "")
else()
    # Other toolchains embed it as a resource: id 1 (the process manifest),
    # type 24 (RT_MANIFEST).
    set(VT_MANIFEST_RESOURCE "1 24 \"${VT_APP_MANIFEST}\"")
endif()
configure_file(${vt_app_dir}/windows/vertalina-editor.rc.in
    ${PROJECT_BINARY_DIR}/vertalina-editor.rc @ONLY)
add_library(vt_app_resources OBJECT ${PROJECT_BINARY_DIR}/vertalina-editor.rc)
set_property(SOURCE ${PROJECT_BINARY_DIR}/vertalina-editor.rc APPEND PROPERTY
    OBJECT_DEPENDS ${VT_ICO_FILE} ${VT_APP_MANIFEST})
