# Installs the build into a scratch prefix and checks what a desktop needs is where it looks.
set(prefix ${BUILD}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()
foreach(path bin/vexlo-utility share/vexlo-utility/README
        share/applications/com.vexlo.VexloUtility.desktop
        share/metainfo/com.vexlo.VexloUtility.metainfo.xml
        share/icons/hicolor/scalable/apps/com.vexlo.VexloUtility.svg
        share/icons/hicolor/48x48/apps/com.vexlo.VexloUtility.png
        share/icons/hicolor/256x256/apps/com.vexlo.VexloUtility.png)
    if(NOT EXISTS ${prefix}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
