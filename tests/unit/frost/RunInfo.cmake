# cmake -DTOOL=equidiv-skin -DSKIN=PKG|DIR -DOUT=FILE -P RunInfo.cmake
# Writes what `equidiv-skin info` prints for SKIN into OUT; fails the build when it fails.
execute_process(COMMAND ${TOOL} info ${SKIN} OUTPUT_FILE ${OUT}.tmp RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT}.tmp)
  message(FATAL_ERROR "equidiv-skin info ${SKIN} failed (${rc})")
endif()
file(RENAME ${OUT}.tmp ${OUT})
