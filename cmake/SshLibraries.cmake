# The SSH library the SFTP upload uses (libssh2) and its cryptography (mbedTLS), built from
# Debian's sources as static libraries with this build's toolchain, once per build folder.
# Defines the target pellucor_libssh2 (libssh2 with mbedTLS and the system DLLs they need).
#
# libssh2 over the system's own cryptography (its WinCNG backend) is not used: Wine's bcrypt has
# no key exchange, so the tests would run another path than the one that ships.
include(ExternalProject)

set(PELLUCOR_SSH_SOURCES "${PROJECT_SOURCE_DIR}/build/ssh-src" CACHE PATH
    "Unpacked sources of libssh2 and mbedTLS (scripts/ssh-sources.sh fetches them)")

# The script does nothing when the trees match the pins; otherwise it fetches the pinned
# versions, or fails saying why. A changed pin or a tree unpacked anew configures again.
set(ssh_pins "${PROJECT_SOURCE_DIR}/scripts/ssh-sources.pins")
execute_process(COMMAND "${PROJECT_SOURCE_DIR}/scripts/ssh-sources.sh" "${PELLUCOR_SSH_SOURCES}"
                RESULT_VARIABLE fetched)
if(NOT fetched EQUAL 0)
  message(FATAL_ERROR "The pinned sources of libssh2 and mbedTLS could not be fetched")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ssh_pins}"
             "${PELLUCOR_SSH_SOURCES}/libssh2/.unpacked" "${PELLUCOR_SSH_SOURCES}/mbedtls/.unpacked")

# Each tree's stamp: "package version sha256". The build folders are named by the hash, so that
# other sources are built afresh rather than over objects of the old ones.
foreach(package libssh2 mbedtls)
  file(READ "${PELLUCOR_SSH_SOURCES}/${package}/.unpacked" stamp)
  string(REPLACE " " ";" stamp "${stamp}")
  list(GET stamp 1 ${package}_version)
  list(GET stamp 2 hash)
  string(SUBSTRING "${hash}" 0 12 ${package}_id)
endforeach()
message(STATUS "SFTP libraries: libssh2 ${libssh2_version}, mbedTLS ${mbedtls_version} "
               "(Debian sources)")

set(ssh_prefix "${CMAKE_BINARY_DIR}/ssh-libs")
set(ssh_lib "${ssh_prefix}/lib")
set(ssh_common_args
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${ssh_prefix}
    -DCMAKE_INSTALL_LIBDIR=lib
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)

# libssh2 uses mbedTLS's cryptography only, not its TLS nor its certificates.
set(mbedtls_libraries "${ssh_lib}/libmbedcrypto.a")
ExternalProject_Add(mbedtls_build
  SOURCE_DIR "${PELLUCOR_SSH_SOURCES}/mbedtls"
  PREFIX "${CMAKE_BINARY_DIR}/ssh-build/mbedtls-${mbedtls_id}"
  CMAKE_ARGS ${ssh_common_args}
    -DENABLE_PROGRAMS=OFF -DENABLE_TESTING=OFF -DMBEDTLS_FATAL_WARNINGS=OFF
    -DUSE_SHARED_MBEDTLS_LIBRARY=OFF -DUSE_STATIC_MBEDTLS_LIBRARY=ON -DGEN_FILES=OFF
  BUILD_BYPRODUCTS ${mbedtls_libraries} "${ssh_lib}/libmbedtls.a" "${ssh_lib}/libmbedx509.a"
  UPDATE_DISCONNECTED ON
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

ExternalProject_Add(libssh2_build
  SOURCE_DIR "${PELLUCOR_SSH_SOURCES}/libssh2"
  PREFIX "${CMAKE_BINARY_DIR}/ssh-build/libssh2-${libssh2_id}"
  DEPENDS mbedtls_build
  CMAKE_ARGS ${ssh_common_args}
    -DCRYPTO_BACKEND=mbedTLS
    -DMBEDTLS_INCLUDE_DIR=${ssh_prefix}/include
    -DMBEDCRYPTO_LIBRARY=${ssh_lib}/libmbedcrypto.a
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF
    -DENABLE_ZLIB_COMPRESSION=OFF -DLIBSSH2_NO_DEPRECATED=ON
  BUILD_BYPRODUCTS "${ssh_lib}/libssh2.a"
  UPDATE_DISCONNECTED ON
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

# A tree fetched anew (same version or not) builds again from its configuration on.
foreach(package libssh2 mbedtls)
  ExternalProject_Add_StepDependencies(${package}_build configure
                                       "${PELLUCOR_SSH_SOURCES}/${package}/.unpacked")
endforeach()

# The include folder must exist when the target is defined, before anything is installed.
file(MAKE_DIRECTORY "${ssh_prefix}/include")
add_library(pellucor_libssh2 INTERFACE)
add_dependencies(pellucor_libssh2 libssh2_build)
target_include_directories(pellucor_libssh2 SYSTEM INTERFACE "${ssh_prefix}/include")
# mbedTLS draws its random numbers from the system's BCryptGenRandom.
target_link_libraries(pellucor_libssh2 INTERFACE "${ssh_lib}/libssh2.a" ${mbedtls_libraries}
                      ws2_32 bcrypt)
