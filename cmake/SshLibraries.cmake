# The SSH library the SFTP upload uses (libssh2) and its cryptography (OpenSSL's libcrypto), built
# from Debian's sources as static libraries with this build's toolchain, once per build folder
# and again whenever the sources change. Defines the target pellucor_libssh2 (libssh2 with
# libcrypto and the system DLLs they need).
#
# libssh2 over the system's own cryptography (its WinCNG backend) is not used: Wine's bcrypt has
# no key exchange, so the tests would run another path than the one that ships. Of libssh2's
# portable backends only OpenSSL's has Ed25519 and Curve25519.
include(ExternalProject)

set(PELLUCOR_SSH_SOURCES "${PROJECT_SOURCE_DIR}/build/ssh-src" CACHE PATH
    "Unpacked sources of libssh2 and OpenSSL (scripts/ssh-sources.sh fetches them)")

# The script does nothing when the trees match the pins; otherwise it fetches the pinned
# versions, or fails saying why. A changed pin or a tree unpacked anew configures again.
set(ssh_pins "${PROJECT_SOURCE_DIR}/scripts/ssh-sources.pins")
execute_process(COMMAND "${PROJECT_SOURCE_DIR}/scripts/ssh-sources.sh" "${PELLUCOR_SSH_SOURCES}"
                RESULT_VARIABLE fetched)
if(NOT fetched EQUAL 0)
  message(FATAL_ERROR "The pinned sources of libssh2 and OpenSSL could not be fetched")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ssh_pins}"
             "${PELLUCOR_SSH_SOURCES}/libssh2/.unpacked" "${PELLUCOR_SSH_SOURCES}/openssl/.unpacked")

# Each tree's stamp: "package version sha256". The build folders are named by the hash, so that
# other sources are built afresh rather than over objects of the old ones.
foreach(package libssh2 openssl)
  file(READ "${PELLUCOR_SSH_SOURCES}/${package}/.unpacked" stamp)
  string(REPLACE " " ";" stamp "${stamp}")
  list(GET stamp 1 ${package}_version)
  list(GET stamp 2 hash)
  string(SUBSTRING "${hash}" 0 12 ${package}_id)
endforeach()
message(STATUS "SFTP libraries: libssh2 ${libssh2_version}, OpenSSL ${openssl_version} "
               "(Debian sources)")

set(ssh_prefix "${CMAKE_BINARY_DIR}/ssh-libs")
set(ssh_lib "${ssh_prefix}/lib")

# libcrypto only, and of it only what libssh2 can use: no TLS library, programs, tests, manuals,
# loadable modules, engines, configuration file or error texts; none of the algorithms libssh2
# never asks for, nor the obsolete ones it could (DSA keys, Blowfish, CAST, RC4), which the
# servers it meets no longer offer. Without assembler: the 32-bit x86 assembler files do not
# assemble for mingw, and the tests must run the same code as the 32-bit build that ships.
# Optimised for size, as a page needs little cryptography and Qel.exe should stay small.
# Randomness comes from the system's BCryptGenRandom (OpenSSL picks it by itself only for
# Microsoft's compiler, else the older CryptGenRandom). No configuration file, module or engine
# is ever loaded at run time, so the folder OpenSSL would look in (C:\usr\local\ssl, which any
# user may create) plays no part.
set(openssl_options
    no-shared no-asm no-apps no-tests no-docs no-module no-dso no-engine no-legacy
    no-autoload-config no-deprecated no-err no-filenames no-ui-console no-sock no-dgram no-http
    no-comp no-async no-winstore no-ocsp no-cms no-ts no-ct no-cmp no-srp no-rfc3779 no-quic
    no-thread-pool no-default-thread-pool
    no-aria no-argon2 no-blake2 no-camellia no-chacha no-cmac no-ec2m no-gost no-idea no-md4
    no-mdc2 no-ml-dsa no-ml-kem no-ocb no-poly1305 no-rc2 no-seed no-siphash no-siv no-slh-dsa
    no-sm2 no-sm3 no-sm4 no-whirlpool
    no-dsa no-bf no-cast no-rc4)
set(openssl_flags "CFLAGS=-Wall -Os" "CPPFLAGS=-DUSE_BCRYPTGENRANDOM")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(openssl_target mingw64)
else()
  set(openssl_target mingw)
endif()
find_program(PERL perl REQUIRED)
find_program(MAKE_PROGRAM NAMES make gmake REQUIRED)
cmake_host_system_information(RESULT host_cores QUERY NUMBER_OF_LOGICAL_CORES)
# OpenSSL's objects do not depend on its configuration: another one gets a build folder of its own.
string(SHA256 openssl_configuration "${openssl_target};${openssl_options};${openssl_flags}")
string(SUBSTRING "${openssl_configuration}" 0 8 openssl_configuration)
ExternalProject_Add(openssl_build
  SOURCE_DIR "${PELLUCOR_SSH_SOURCES}/openssl"
  PREFIX "${CMAKE_BINARY_DIR}/ssh-build/openssl-${openssl_id}-${openssl_configuration}"
  CONFIGURE_COMMAND "${PERL}" <SOURCE_DIR>/Configure ${openssl_target} ${openssl_options}
    "CC=${CMAKE_C_COMPILER}" "AR=${CMAKE_AR}" "RANLIB=${CMAKE_RANLIB}" "RC=${CMAKE_RC_COMPILER}"
    ${openssl_flags}
  BUILD_COMMAND "${MAKE_PROGRAM}" -j${host_cores} build_generated
    COMMAND "${MAKE_PROGRAM}" -j${host_cores} libcrypto.a
  # The public headers: those of the sources, then those the configuration generated.
  INSTALL_COMMAND "${CMAKE_COMMAND}" -E rm -rf "${ssh_prefix}/include/openssl"
    COMMAND "${CMAKE_COMMAND}" -E copy_directory <SOURCE_DIR>/include/openssl
    "${ssh_prefix}/include/openssl"
    COMMAND "${CMAKE_COMMAND}" -E copy_directory <BINARY_DIR>/include/openssl
    "${ssh_prefix}/include/openssl"
    COMMAND "${CMAKE_COMMAND}" -E copy <BINARY_DIR>/libcrypto.a "${ssh_lib}/libcrypto.a"
  BUILD_BYPRODUCTS "${ssh_lib}/libcrypto.a"
  UPDATE_DISCONNECTED ON
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

ExternalProject_Add(libssh2_build
  SOURCE_DIR "${PELLUCOR_SSH_SOURCES}/libssh2"
  PREFIX "${CMAKE_BINARY_DIR}/ssh-build/libssh2-${libssh2_id}"
  DEPENDS openssl_build
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${ssh_prefix}
    -DCMAKE_INSTALL_LIBDIR=lib
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
    -DCRYPTO_BACKEND=OpenSSL
    -DOPENSSL_INCLUDE_DIR=${ssh_prefix}/include
    # FindOpenSSL takes the library from LIB_EAY on MinGW.
    -DOPENSSL_CRYPTO_LIBRARY=${ssh_lib}/libcrypto.a -DLIB_EAY=${ssh_lib}/libcrypto.a
    -DOPENSSL_USE_STATIC_LIBS=TRUE
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF
    -DENABLE_ZLIB_COMPRESSION=OFF -DLIBSSH2_NO_DEPRECATED=ON
  BUILD_BYPRODUCTS "${ssh_lib}/libssh2.a"
  UPDATE_DISCONNECTED ON
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

# A tree fetched anew (same version or not) builds again from its configuration on.
foreach(package libssh2 openssl)
  ExternalProject_Add_StepDependencies(${package}_build configure
                                       "${PELLUCOR_SSH_SOURCES}/${package}/.unpacked")
endforeach()

# The include folder must exist when the target is defined, before anything is installed.
file(MAKE_DIRECTORY "${ssh_prefix}/include")
add_library(pellucor_libssh2 INTERFACE)
add_dependencies(pellucor_libssh2 libssh2_build)
target_include_directories(pellucor_libssh2 SYSTEM INTERFACE "${ssh_prefix}/include")
# libcrypto draws its random numbers from the system's BCryptGenRandom.
target_link_libraries(pellucor_libssh2 INTERFACE "${ssh_lib}/libssh2.a" "${ssh_lib}/libcrypto.a"
                      ws2_32 bcrypt crypt32)
