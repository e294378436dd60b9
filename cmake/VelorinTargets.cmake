# Settings shared by every target the project builds.

# Boost's failed assertions are logged by the library instead of ending the program.
add_compile_definitions(BOOST_ENABLE_ASSERT_HANDLER)

if(VELORIN_SANITIZERS)
  add_compile_options(-fsanitize=${VELORIN_SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VELORIN_SANITIZERS})
endif()

# Error locations name source files relative to the root of the source tree.
function(velorin_apply_project_options target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra
    -fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)
endfunction()

# A static library of the project, exported as velorin::<export_name>. Its public headers
# are installed under include/velorin, so that a system prefix gains one folder only;
# users still include them as <core/...>, <shared_core/...> and <platform/...>.
function(velorin_add_library target export_name)
  add_library(${target} STATIC ${ARGN})
  add_library(velorin::${export_name} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${export_name})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/velorin>)
  velorin_apply_project_options(${target})
  install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velorin)
  install(TARGETS ${target} EXPORT VelorinCoreTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
