# Writes the configuration file that the package ships: the server prints every option of its
# command line with its help and its default (--print-config), so the file cannot miss one.
#   cmake -DSERVER=zorvanil-server -DOUTPUT=zorvanil-server.conf -P write_config.cmake
execute_process(COMMAND ${SERVER} --print-config
                OUTPUT_FILE ${OUTPUT}.new
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.new)
  message(FATAL_ERROR "${SERVER} --print-config failed: ${result}")
endif()
file(RENAME ${OUTPUT}.new ${OUTPUT})
