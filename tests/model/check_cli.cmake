# impactframe-cli check: a good file gives the element table, a bad one a located reason;
# a version 2 file lists materials, sections and axes, and -o writes it as version 2.
execute_process(COMMAND ${CLI} check ${DATA}/sample1.txt -o ${WORK}/sample1_copy.txt
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "check of sample 1 failed: ${err}")
endif()
if(NOT err STREQUAL "3 nodes, 2 elements\n")
    message(FATAL_ERROR "unexpected summary: '${err}'")
endif()
string(FIND "${out}" "0,0,1,100,1,0,0,78.539816339744" pos0)
string(FIND "${out}" "1,1,2,100,1,0,0," pos1)
if(pos0 LESS 0 OR pos1 LESS 0)
    message(FATAL_ERROR "element rows missing:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/sample1_copy.txt ${DATA}/sample1.txt
                RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
    message(FATAL_ERROR "check -o did not write the model as read")
endif()

execute_process(COMMAND ${CLI} check ${DATA}/sections_example.json -o ${WORK}/example_copy.json
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "check of the version 2 example failed: ${err}")
endif()
# The column: H200 (Iy by hand 17609322.67) turned by 90, local z = -global x; the beam's
# box of alu with local z towards global z.
if(NOT out MATCHES "\n0,0,1,3000,0,0,1,2612,[^,]*,1335884\\.41[0-9]*,17609322\\.66[0-9]*,[^\n]*,0,0,1,0,1,0,-1,0,0,[^\n]*,steel,H200,I,h=200 b=100 tw=5\\.5 tf=8,90,,,\n"
   OR NOT out MATCHES "\n1,1,2,2000,[^\n]*,alu,rhs,box,b=100 h=150 t=6,0,0,0,1\n")
    message(FATAL_ERROR "check of the version 2 example printed:\n${out}")
endif()
file(READ ${WORK}/example_copy.json copy)
if(NOT copy MATCHES "^{\n  \"format\": \"ImpactFrame\",\n  \"version\": 2,")
    message(FATAL_ERROR "check -o wrote:\n${copy}")
endif()
execute_process(COMMAND ${CLI} check ${WORK}/example_copy.json RESULT_VARIABLE rc OUTPUT_VARIABLE again)
if(NOT rc EQUAL 0 OR NOT again STREQUAL out)
    message(FATAL_ERROR "the copy reads otherwise:\n${again}")
endif()

file(WRITE ${WORK}/broken.txt "2,1\r\n0,0,0,0\r\nu,0\r\nu,zero\r\n")
execute_process(COMMAND ${CLI} check ${WORK}/broken.txt
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT out STREQUAL "")
    message(FATAL_ERROR "bad file: exit ${rc}, output '${out}'")
endif()
string(FIND "${err}" "broken.txt: line 4: expected the value of Uy of node 0" pos)
if(pos LESS 0)
    message(FATAL_ERROR "unexpected message: ${err}")
endif()

execute_process(COMMAND ${CLI} sample 9 RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 2)
    message(FATAL_ERROR "usage error must exit 2, got ${rc}")
endif()
