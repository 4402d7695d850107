# Writes INPUT (UTF-8) as UTF-16LE with a byte-order mark to OUTPUT.
execute_process(COMMAND sh -c "printf '\\377\\376' > '${OUTPUT}' && iconv -f UTF-8 -t UTF-16LE '${INPUT}' >> '${OUTPUT}'"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "iconv could not convert ${INPUT}")
endif()
