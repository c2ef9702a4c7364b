# Debian package: `cpack -G DEB` in the build folder makes
# quorvel_<version>_<arch>.deb for Debian bookworm.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "file manager for Unreal Tournament 2004 maps, mutators and skins")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel finds the .zip and .rar archives of custom maps, mutators and skins
in the folders you name, shows what is installed in the game and what is not,
installs an archive by placing each file where the game needs it, and
uninstalls it again while keeping files that other content still uses. It
also manages the game's download cache, converts .uz2 files, plays and
deletes recorded demos, and writes reports.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg takes a name alone, but Debian policy asks for an address; this one
# reaches no one outside the machine.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvel developers <quorvel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Named by hand, so packing needs no dpkg-dev: the packages of the libraries
# the program links (versions as dpkg-shlibdeps gives them on bookworm), the
# Qt platform plugins without which no window opens, and xdg-utils for
# opening files with the desktop's programs. tests/scripts/install_rules_test.sh
# checks this list against the libraries the program and its unrar helper
# (quorvel-unrar, installed beside it) name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libarchive13 (>= 3.4.0), libc6 (>= 2.34), libgcc-s1 (>= 3.0), \
libqt6core6 (>= 6.4.0), libqt6gui6 (>= 6.1.2), libqt6widgets6 (>= 6.3.0), \
libstdc++6 (>= 11), libzip4 (>= 1.0), zlib1g (>= 1:1.1.4), \
qt6-qpa-plugins, xdg-utils")
# The unrar library (Debian non-free) adds encrypted and very old rar
# archives, read by the helper quorvel-unrar; without it libarchive reads rar.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS libunrar5)

include(CPack)
