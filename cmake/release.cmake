# Packs the release: Tavori.exe, the README and the licence in a zip, then prints its SHA-256.
#   cmake -DEXE=... -DSOURCE=... -DOUT=... -P release.cmake
set(stage ${OUT}.d)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/Tavori)
file(COPY ${EXE} ${SOURCE}/README.md ${SOURCE}/LICENSE DESTINATION ${stage}/Tavori)
file(REMOVE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT} --format=zip Tavori
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "packing ${OUT} failed")
endif()
file(SHA256 ${OUT} sum)
message(STATUS "${OUT}")
message(STATUS "SHA-256 ${sum}")
