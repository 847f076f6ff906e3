# Runs every example scenario with vistrel-sim; fails when one exits non-zero.
file(GLOB scenarios ${SRC}/examples/*.scn)
file(MAKE_DIRECTORY ${OUT})
foreach(s ${scenarios})
  execute_process(COMMAND ${SIM} ${s} WORKING_DIRECTORY ${OUT} RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${s} failed with exit code ${rc}")
  endif()
endforeach()
