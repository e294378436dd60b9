# Configures a host that adds the library as a sub-project, with the packages of
# GoogleTest, Google Benchmark, spdlog and nlohmann-json disabled: a library that asks
# a host for any of them, or adds its tests or benchmarks to one, fails the check. The
# host is configured only, as building it would compile the whole library again.
# Arguments: -DLIBRARY_DIR=<the project's source folder> -DSOURCE_DIR=<host sources>
#            -DWORK_DIR=<scratch folder>; for a cross build also -DTOOLCHAIN_FILE=<file>
#            and -DDEPENDENCY_PREFIXES=<the project's CMAKE_PREFIX_PATH>
file(REMOVE_RECURSE ${WORK_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/ConsumerRun.cmake)

set(disabled)
foreach(package GTest benchmark spdlog nlohmann_json)
  list(APPEND disabled -DCMAKE_DISABLE_FIND_PACKAGE_${package}=ON)
endforeach()
configure_consumer(${SOURCE_DIR} ${WORK_DIR}/build -DVELORIN_SOURCE_DIR=${LIBRARY_DIR} ${disabled})
message(STATUS "The library was added as a sub-project without any test tool")
