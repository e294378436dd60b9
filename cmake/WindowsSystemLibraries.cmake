# The Windows system libraries that static dependencies need without their CMake
# packages naming them: Boost.Filesystem draws random bytes through BCryptGenRandom
# (bcrypt); OpenSSL's libcrypto reads the system's certificate store (crypt32) and
# uses Windows Sockets (ws2_32).
if(WIN32 AND TARGET Boost::filesystem)
  set_property(TARGET Boost::filesystem APPEND PROPERTY INTERFACE_LINK_LIBRARIES bcrypt)
endif()
if(WIN32 AND TARGET OpenSSL::Crypto)
  set_property(TARGET OpenSSL::Crypto APPEND PROPERTY INTERFACE_LINK_LIBRARIES crypt32 ws2_32)
endif()
