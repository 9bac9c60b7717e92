# Builds the Debian package into a folder of its own, emptied first so only this build's package is there.
# cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DDIR=... -P BuildPackage.cmake
file(REMOVE_RECURSE ${DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${CONFIG} -B ${DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed: ${result}")
endif()
