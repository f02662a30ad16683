# Cross-compiles for another Debian architecture (SOLAMINE_DEB_ARCH: arm64 or armhf) from the
# build machine's multiarch packages: crossbuild-essential-<arch> and the -dev packages of that
# architecture, whose libraries sit in /usr/lib/<triplet>. Qt's build tools (moc, rcc, lrelease)
# are the build machine's. Tests run under qemu-user with / as the target's root.
# Seen again in try_compile's projects, which start from an empty cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SOLAMINE_DEB_ARCH)
if(SOLAMINE_DEB_ARCH STREQUAL "arm64")
    set(CMAKE_SYSTEM_PROCESSOR aarch64)
    set(triplet aarch64-linux-gnu)
    set(emulator qemu-aarch64-static)
elseif(SOLAMINE_DEB_ARCH STREQUAL "armhf")
    set(CMAKE_SYSTEM_PROCESSOR arm)
    set(triplet arm-linux-gnueabihf)
    set(emulator qemu-arm-static)
else()
    message(FATAL_ERROR "SOLAMINE_DEB_ARCH must be arm64 or armhf, not '${SOLAMINE_DEB_ARCH}'")
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_LIBRARY_ARCHITECTURE ${triplet})
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator} -L /)
if(SOLAMINE_DEB_ARCH STREQUAL "armhf")
    # GCC notes on every double passed in a struct that GCC 7.1 changed how armhf passes it;
    # everything here is built by one compiler.
    set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
endif()

# pkg-config reads the target's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${triplet}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Qt's host tools come from the build machine's Qt.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH OUTPUT_VARIABLE build_triplet
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_triplet}/cmake CACHE PATH "")

# The package's architecture and the one dpkg-shlibdeps reads the libraries' packages of.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${SOLAMINE_DEB_ARCH})
