# Runs the probe's forced access violation (through the cross build's emulator, if any): it must
# fail quietly and leave "vesk-crash.dmp" beside the probe, starting with the minidump signature.
get_filename_component(folder "${PROBE}" DIRECTORY)
set(dump "${folder}/vesk-crash.dmp")
file(REMOVE "${dump}")
execute_process(COMMAND ${EMULATOR} "${PROBE}" crash
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 90)
if(status EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "the access violation did not end the probe quietly: status ${status}, output '${output}'")
endif()
if(EXISTS "${dump}")
    file(READ "${dump}" signature LIMIT 4 HEX)
endif()
if(NOT signature STREQUAL "4d444d50")
    message(FATAL_ERROR "no vesk-crash.dmp starting with MDMP beside the probe (first bytes: '${signature}')")
endif()
