# Values fixed into the program at build time; the program reads no configuration at run time.
set(VEXLO_FIRMWARE_ORIGIN "https://firmware.vexlo.example" CACHE STRING
    "Origin of the firmware server (\"/Firmware/...\" is appended)")
set(VEXLO_APPCAST_URL "https://firmware.vexlo.example/Utility/appcast.xml" CACHE STRING
    "Update feed of the utility itself")
if(APPLE)
    set(_vexlo_default_listing "ls /dev/cu.* | grep -E 'usbserial|wchusbserial|cp210|usbmodem|ch34'")
else()
    set(_vexlo_default_listing "ls /dev/ttyUSB* /dev/ttyACM* 2>/dev/null")
endif()
set(VEXLO_PORT_LIST_COMMAND "${_vexlo_default_listing}" CACHE STRING
    "Shell command that prints one serial device path per line")

# Plain HTTP is only acceptable on this machine's loopback (demo and end-to-end tests).
function(vexlo_require_secure_url name)
    set(url "${${name}}")
    if(url MATCHES "^https://[^/]+")
        return()
    endif()
    if(url MATCHES "^http://(127\\.0\\.0\\.1|localhost)(:[0-9]+)?(/|$)")
        return()
    endif()
    message(FATAL_ERROR "${name} must be an https:// address (or http:// on 127.0.0.1 or "
        "localhost); got '${url}'")
endfunction()
vexlo_require_secure_url(VEXLO_FIRMWARE_ORIGIN)
vexlo_require_secure_url(VEXLO_APPCAST_URL)
string(REGEX REPLACE "/+$" "" VEXLO_FIRMWARE_ORIGIN "${VEXLO_FIRMWARE_ORIGIN}")

# An object library holding one set of build-time settings.
function(vexlo_add_build_config target origin appcast listing)
    set(VEXLO_CONFIG_ORIGIN "${origin}")
    set(VEXLO_CONFIG_APPCAST "${appcast}")
    set(VEXLO_CONFIG_LISTING "${listing}")
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/platform/BuildConfig.cpp.in
        ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp @ONLY)
    add_library(${target} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp)
    target_link_libraries(${target} PRIVATE vexlo_core vexlo_warnings)
endfunction()
