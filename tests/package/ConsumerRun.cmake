# What the consumer checks share. Reads TOOLCHAIN_FILE and DEPENDENCY_PREFIXES (the
# project's CMAKE_PREFIX_PATH), so that a consumer is built for the project's own target.

# run(<command...>): fails the check with the command's output.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' failed:\n${output}")
  endif()
endfunction()

# configure_consumer(<source folder> <build folder> [PREFIXES <folders...>] [<options...>]):
# the given prefixes are searched before the dependencies' own.
function(configure_consumer source_dir build_dir)
  cmake_parse_arguments(CONSUMER "" "" "PREFIXES" ${ARGN})
  set(prefixes ${CONSUMER_PREFIXES} ${DEPENDENCY_PREFIXES})
  # Escaped, so that the list stays one argument through run().
  string(REPLACE ";" "\\;" prefixes "${prefixes}")
  set(toolchain)
  if(TOOLCHAIN_FILE)
    set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
  endif()
  run(${CMAKE_COMMAND} -S ${source_dir} -B ${build_dir} -G Ninja "-DCMAKE_PREFIX_PATH=${prefixes}"
    ${toolchain} ${CONSUMER_UNPARSED_ARGUMENTS})
endfunction()
