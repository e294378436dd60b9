# Runs every GoogleTest binary of the default build once whole, in shuffled order, so
# that a test passing only in a process of its own (as CTest runs each one) fails
# here. Any failing binary fails the run. Usage: cmake -P scripts/run-shuffled-tests.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(source_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

execute_process(
  COMMAND "${CMAKE_CTEST_COMMAND}" --preset default --show-only=json-v1
  WORKING_DIRECTORY "${source_dir}"
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest could not list the tests of the default build")
endif()

# One entry per binary: its path and the folder CTest runs it in. A GoogleTest case
# shows as the binary with a --gtest_filter argument.
set(binaries "")
string(JSON test_count LENGTH "${listing}" tests)
math(EXPR last "${test_count} - 1")
foreach(index RANGE ${last})
  string(JSON argument_count ERROR_VARIABLE missing LENGTH "${listing}" tests ${index} command)
  if(missing OR argument_count LESS 2)
    continue()
  endif()
  string(JSON filter GET "${listing}" tests ${index} command 1)
  if(NOT filter MATCHES "^--gtest_filter=")
    continue()
  endif()
  string(JSON executable GET "${listing}" tests ${index} command 0)
  set(directory "${source_dir}")
  string(JSON property_count LENGTH "${listing}" tests ${index} properties)
  math(EXPR last_property "${property_count} - 1")
  foreach(property RANGE ${last_property})
    string(JSON name GET "${listing}" tests ${index} properties ${property} name)
    if(name STREQUAL "WORKING_DIRECTORY")
      string(JSON directory GET "${listing}" tests ${index} properties ${property} value)
    endif()
  endforeach()
  list(APPEND binaries "${executable}|${directory}")
endforeach()
list(REMOVE_DUPLICATES binaries)
if(NOT binaries)
  message(FATAL_ERROR "no GoogleTest binaries in the default build")
endif()

set(failed "")
foreach(entry IN LISTS binaries)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 executable)
  list(GET parts 1 directory)
  execute_process(
    COMMAND "${executable}" --gtest_shuffle
    WORKING_DIRECTORY "${directory}"
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output
    RESULT_VARIABLE result
    TIMEOUT 600)
  get_filename_component(name "${executable}" NAME)
  if(result EQUAL 0)
    message(STATUS "shuffled whole: ${name} passed")
  else()
    message("${output}")
    message(STATUS "shuffled whole: ${name} FAILED (${result})")
    list(APPEND failed "${name}")
  endif()
endforeach()

if(failed)
  list(JOIN failed ", " failed_names)
  message(FATAL_ERROR "failed when run whole and shuffled: ${failed_names}")
endif()
