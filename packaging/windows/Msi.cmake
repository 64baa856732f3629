# Makes the Windows installer (.msi) of the staged install tree with wixl
# (Debian's msitools). Run by CPack's External generator, which stages the
# tree and passes the CPACK_* variables; the settings below come from
# cmake/WindowsPackaging.cmake through CPACK_EXTERNAL_* variables.
#
# The installer installs for the current user without elevation into
# %LOCALAPPDATA%\Programs\<name>, adds a Start-menu entry with the program's
# icon, shows name, version, publisher and icon in the list of installed
# programs, and removes all of it on uninstall. Each file is its own
# component, with a GUID derived from its path, so that later versions
# upgrade file by file; the product code is derived from the version, and
# installing another version replaces the one installed.

set(stage ${CPACK_TEMPORARY_DIRECTORY})
if(EXISTS ${stage}/${CPACK_PACKAGE_INSTALL_DIRECTORY})
    set(stage ${stage}/${CPACK_PACKAGE_INSTALL_DIRECTORY})
endif()
set(name "${CPACK_EXTERNAL_VT_PRODUCT_NAME}")
set(version "${CPACK_PACKAGE_VERSION}")
set(upgrade_code "${CPACK_EXTERNAL_VT_UPGRADE_CODE}")
set(output ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)

find_program(WIXL wixl REQUIRED)

function(vt_guid out text)
    string(UUID guid NAMESPACE ${upgrade_code} NAME "${text}" TYPE SHA1 UPPER)
    set(${out} "${guid}" PARENT_SCOPE)
endfunction()

function(vt_xml out text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "\"" "&quot;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The directory and file entries of one folder of the stage, and the ids
# of its components.
set(vt_components "")
set(vt_counter 0)
function(vt_folder relative indent out)
    set(xml "")
    set(folder ${stage})
    if(relative)
        set(folder ${stage}/${relative})
    endif()
    file(GLOB entries LIST_DIRECTORIES true RELATIVE ${folder} ${folder}/*)
    list(SORT entries)
    foreach(entry IN LISTS entries)
        if(relative)
            set(path ${relative}/${entry})
        else()
            set(path ${entry})
        endif()
        math(EXPR vt_counter "${vt_counter} + 1")
        set(vt_counter ${vt_counter} PARENT_SCOPE)
        vt_xml(xml_name "${entry}")
        if(IS_DIRECTORY ${stage}/${path})
            set(dir_id "dir${vt_counter}")
            vt_guid(guid "folder:${path}")
            string(APPEND xml "${indent}<Directory Id=\"${dir_id}\" Name=\"${xml_name}\">\n")
            string(APPEND xml "${indent}  <Component Id=\"c${dir_id}\" Guid=\"${guid}\">\n")
            string(APPEND xml "${indent}    <RemoveFolder Id=\"r${dir_id}\" On=\"uninstall\"/>\n")
            string(APPEND xml "${indent}    <RegistryValue Root=\"HKCU\" Key=\"Software\\${CPACK_PACKAGE_VENDOR}\\${name}\\folders\" Name=\"${xml_name}\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>\n")
            string(APPEND xml "${indent}  </Component>\n")
            list(APPEND vt_components c${dir_id})
            vt_folder(${path} "${indent}  " inner)
            string(APPEND xml "${inner}")
            string(APPEND xml "${indent}</Directory>\n")
        else()
            set(id "f${vt_counter}")
            if(path STREQUAL CPACK_EXTERNAL_VT_PROGRAM)
                set(id "program")
            endif()
            vt_guid(guid "file:${path}")
            vt_xml(source "${path}")
            string(APPEND xml "${indent}<Component Id=\"c${id}\" Guid=\"${guid}\">\n")
            string(APPEND xml "${indent}  <File Id=\"${id}\" Name=\"${xml_name}\" Source=\"${source}\" KeyPath=\"yes\"/>\n")
            string(APPEND xml "${indent}</Component>\n")
            list(APPEND vt_components c${id})
        endif()
    endforeach()
    set(vt_components ${vt_components} PARENT_SCOPE)
    set(${out} "${xml}" PARENT_SCOPE)
endfunction()

vt_folder("" "          " files)
if(NOT EXISTS ${stage}/${CPACK_EXTERNAL_VT_PROGRAM})
    message(FATAL_ERROR "The staged tree ${stage} has no ${CPACK_EXTERNAL_VT_PROGRAM}")
endif()

# wixl takes sources relative to the folder it runs in: the stage.
file(RELATIVE_PATH icon ${stage} ${CPACK_EXTERNAL_VT_ICON})
vt_xml(xml_product "${name}")
vt_xml(xml_vendor "${CPACK_PACKAGE_VENDOR}")
vt_xml(xml_summary "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}")
vt_guid(product_code "product:${version}")
vt_guid(menu_guid "menu")
set(refs "")
foreach(id IN LISTS vt_components)
    string(APPEND refs "      <ComponentRef Id=\"${id}\"/>\n")
endforeach()

set(wxs ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.wxs)
file(WRITE ${wxs} "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">
  <Product Id=\"${product_code}\" Name=\"${xml_product}\" Version=\"${version}\" Manufacturer=\"${xml_vendor}\"
           UpgradeCode=\"${upgrade_code}\" Language=\"1033\" Codepage=\"65001\">
    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"perUser\"
             Description=\"${xml_product} ${version}\" Comments=\"${xml_summary}\" Manufacturer=\"${xml_vendor}\"/>
    <Media Id=\"1\" Cabinet=\"files.cab\" EmbedCab=\"yes\"/>
    <MajorUpgrade DowngradeErrorMessage=\"A newer version of [ProductName] is already installed.\"/>
    <Icon Id=\"program.ico\" SourceFile=\"${icon}\"/>
    <Property Id=\"ARPPRODUCTICON\" Value=\"program.ico\"/>
    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>
    <Property Id=\"ARPNOREPAIR\" Value=\"1\"/>
    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">
      <Directory Id=\"LocalAppDataFolder\">
        <Directory Id=\"ProgramsFolder\" Name=\"Programs\">
          <Directory Id=\"INSTALLDIR\" Name=\"${xml_product}\">
          <Component Id=\"cINSTALLDIR\" Guid=\"${menu_guid}\">
            <RemoveFolder Id=\"rINSTALLDIR\" On=\"uninstall\"/>
            <Shortcut Id=\"menu\" Directory=\"ProgramMenuFolder\" Name=\"${xml_product}\" Description=\"${xml_summary}\"
                      Target=\"[INSTALLDIR]${CPACK_EXTERNAL_VT_PROGRAM}\" WorkingDirectory=\"INSTALLDIR\" Icon=\"program.ico\"/>
            <RegistryValue Root=\"HKCU\" Key=\"Software\\${xml_vendor}\\${xml_product}\" Name=\"installed\"
                           Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>
          </Component>
${files}          </Directory>
        </Directory>
      </Directory>
      <Directory Id=\"ProgramMenuFolder\"/>
    </Directory>
    <Feature Id=\"Program\" Level=\"1\">
      <ComponentRef Id=\"cINSTALLDIR\"/>
${refs}    </Feature>
  </Product>
</Wix>
")

execute_process(COMMAND ${WIXL} -a x64 -o ${output} ${wxs} WORKING_DIRECTORY ${stage}
    RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "wixl failed on ${wxs}: ${errors}")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${output})
