# Runs the probe's forced access violation (through the cross build's emulator, if any) and
# checks what it leaves: a failing exit status, no output, and "vesk-crash.dmp" beside the
# probe that starts with the minidump signature.
get_filename_component(folder "${PROBE}" DIRECTORY)
set(dump "${folder}/vesk-crash.dmp")
file(REMOVE "${dump}")
execute_process(COMMAND ${EMULATOR} "${PROBE}" crash
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 90)
if(status EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "the access violation did not end the probe quietly: status ${status}, output '${output}'")
endif()
if(NOT EXISTS "${dump}")
    message(FATAL_ERROR "no vesk-crash.dmp beside the probe")
endif()
file(READ "${dump}" signature LIMIT 4 HEX)
file(SIZE "${dump}" size)
if(NOT signature STREQUAL "4d444d50")
    message(FATAL_ERROR "vesk-crash.dmp does not start with MDMP but with bytes ${signature}")
endif()
message(STATUS "the access violation left a ${size}-byte minidump and a quiet exit (${status})")
