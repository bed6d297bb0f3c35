# Packs the release: Tavori.exe, the user guide and the licence in a zip, then prints its
# SHA-256. The guide gets Windows line ends, so that every text editor there shows its lines.
#   cmake -DEXE=... -DSOURCE=... -DOUT=... -P release.cmake
set(stage ${OUT}.d)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/Tavori)
file(COPY ${EXE} ${SOURCE}/LICENSE DESTINATION ${stage}/Tavori)
configure_file(${SOURCE}/app/USER_GUIDE.txt ${stage}/Tavori/USER_GUIDE.txt @ONLY NEWLINE_STYLE CRLF)
file(REMOVE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT} --format=zip Tavori
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "packing ${OUT} failed")
endif()
file(SHA256 ${OUT} sum)
message(STATUS "${OUT}")
message(STATUS "SHA-256 ${sum}")
