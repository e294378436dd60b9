# Installs the built tree into a scratch prefix, then configures, builds and runs a
# consumer program that finds the package with find_package(VelorinCore CONFIG). The
# prefix gains one header folder, include/velorin, and the consumer finds the package
# without the library's private dependencies (RapidJSON).
# Arguments: -DBUILD_DIR=<the project's build folder> -DSOURCE_DIR=<consumer sources>
#            -DWORK_DIR=<scratch folder>; for a cross build also -DTOOLCHAIN_FILE=<file>,
#            -DDEPENDENCY_PREFIXES=<the project's CMAKE_PREFIX_PATH>, -DEMULATOR=<runner> and
#            -DEXECUTABLE_SUFFIX=<the target's suffix, ".exe">
file(REMOVE_RECURSE ${WORK_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/ConsumerRun.cmake)

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
file(GLOB header_folders RELATIVE ${WORK_DIR}/prefix/include ${WORK_DIR}/prefix/include/*)
if(NOT header_folders STREQUAL "velorin")
  message(FATAL_ERROR "The prefix's include folder holds '${header_folders}', not velorin alone")
endif()
configure_consumer(${SOURCE_DIR} ${WORK_DIR}/build PREFIXES ${WORK_DIR}/prefix
  -DCMAKE_DISABLE_FIND_PACKAGE_RapidJSON=ON)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${EMULATOR} ${WORK_DIR}/build/consumer${EXECUTABLE_SUFFIX})
message(STATUS "The installed package was found, linked and run")
