# Runs "impactframe-cli sample 1 -o OUT" and compares OUT with EXPECTED byte for byte.
execute_process(COMMAND ${CLI} sample 1 -o ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "impactframe-cli sample 1 failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${EXPECTED} RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
    message(FATAL_ERROR "sample 1 differs from the expected listing")
endif()
