# Boost.Filesystem's static library draws random bytes through BCryptGenRandom on
# Windows without its CMake package naming bcrypt, so programs would not link.
if(WIN32 AND TARGET Boost::filesystem)
  set_property(TARGET Boost::filesystem APPEND PROPERTY INTERFACE_LINK_LIBRARIES bcrypt)
endif()
