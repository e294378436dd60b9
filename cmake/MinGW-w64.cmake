# Builds for 64-bit Windows with MinGW-w64 (x86-64, posix threads). On a Windows host
# the compilers are MinGW-w64's own g++ and gcc; elsewhere they are the cross compilers
# and programs run under Wine. The dependencies built for Windows are found through
# CMAKE_PREFIX_PATH (the windows preset takes it from VELORIN_WINDOWS_PREFIX), and only
# there and in MinGW-w64's own tree, so that no Linux header or library stands in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# Programs carry the C++ runtime and the threads library in them, so that they run
# without MinGW-w64's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

if(CMAKE_HOST_WIN32)
  set(CMAKE_C_COMPILER gcc)
  set(CMAKE_CXX_COMPILER g++)
else()
  set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
  set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
  set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
  find_program(VELORIN_WINE wine REQUIRED)
  # Debian's Wine has no preloader: its loader sits at a fixed address below the page
  # Wine maps for the shared user data, and now and then the randomly placed heap takes
  # that page, so a program dies before main ("failed to map the shared user data").
  # Without address randomisation the heap starts right after the loader. Where the
  # kernel refuses that (a container's default profile), Wine runs as it is.
  execute_process(COMMAND setarch x86_64 -R true RESULT_VARIABLE velorin_no_randomisation
                  OUTPUT_QUIET ERROR_QUIET)
  if(velorin_no_randomisation EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR setarch x86_64 -R ${VELORIN_WINE})
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VELORIN_WINE})
  endif()

  set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()
