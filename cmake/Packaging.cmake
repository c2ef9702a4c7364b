# What `cmake --install` places and how `cpack -G DEB` splits it into two
# Debian packages for bookworm:
#   quorvel-cli  component cli: the command-line program quorvel-cli, its man
#                page and bash completion, and quorvel-unrar, which both
#                programs start to read rar archives with the unrar library
#   quorvel      component gui: the window, its help, desktop entry, icon and
#                metainfo; depends on quorvel-cli of the same version
# quorvel-unrar must sit beside whichever program runs (TdRar3 looks for it
# there), so it goes to the package that both programs have: a server takes
# the command line alone, a desktop gets both. No file is in both packages.
# Included after every target is defined, so `if(TARGET ...)` sees them all.
set(QUORVEL_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
set(QUORVEL_RESOURCES ${PROJECT_SOURCE_DIR}/src/resources)
set(QUORVEL_CLI_DIR ${PROJECT_SOURCE_DIR}/src/cli)

install(TARGETS quorvel-unrar RUNTIME DESTINATION bin COMPONENT cli)
if(TARGET quorvel-cli)
    install(TARGETS quorvel-cli RUNTIME DESTINATION bin COMPONENT cli)
endif()
if(EXISTS ${QUORVEL_CLI_DIR}/quorvel-cli.bash-completion)
    install(FILES ${QUORVEL_CLI_DIR}/quorvel-cli.bash-completion
        DESTINATION share/bash-completion/completions RENAME quorvel-cli COMPONENT cli)
endif()

# The window carries its help compiled in; the copy in share/quorvel/docs
# is for reading elsewhere. The desktop entry, icon and metainfo carry the
# application id org.quorvel.quorvel.
install(TARGETS quorvel RUNTIME DESTINATION bin COMPONENT gui)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION share/quorvel/docs COMPONENT gui)
install(FILES ${QUORVEL_RESOURCES}/org.quorvel.quorvel.desktop
    DESTINATION share/applications COMPONENT gui)
install(FILES ${QUORVEL_RESOURCES}/org.quorvel.quorvel.svg
    DESTINATION share/icons/hicolor/scalable/apps COMPONENT gui)
install(FILES ${QUORVEL_RESOURCES}/org.quorvel.quorvel.metainfo.xml
    DESTINATION share/metainfo COMPONENT gui)

# Man pages and the Debian changelog go in compressed as Debian wants them:
# gzip -9 for the smallest file, -n so that the same text gives the same
# bytes (no name or time stamp in the header).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed_docs)
function(quorvel_install_gzipped source name destination component)
    set(folder ${PROJECT_BINARY_DIR}/gzipped/${component})
    set(out ${folder}/${name}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${folder}/${name}
        COMMAND ${GZIP_PROGRAM} -9nf ${folder}/${name}
        DEPENDS ${source} VERBATIM)
    set(compressed_docs ${compressed_docs} ${out} PARENT_SCOPE)
    install(FILES ${out} DESTINATION ${destination} COMPONENT ${component} ${ARGN})
endfunction()

quorvel_install_gzipped(${QUORVEL_RESOURCES}/quorvel-unrar.1 quorvel-unrar.1 share/man/man1 cli)
if(EXISTS ${QUORVEL_CLI_DIR}/quorvel-cli.1)
    quorvel_install_gzipped(${QUORVEL_CLI_DIR}/quorvel-cli.1 quorvel-cli.1 share/man/man1 cli)
endif()
quorvel_install_gzipped(${QUORVEL_RESOURCES}/quorvel.1 quorvel.1 share/man/man1 gui)

# Each package carries the licence and the changelog in its own doc folder.
# These are for the packages alone: a plain `cmake --install` leaves them
# out, cpack installs them with their component.
set(doc_components cli gui)
set(doc_packages quorvel-cli quorvel)
foreach(component package IN ZIP_LISTS doc_components doc_packages)
    install(FILES ${QUORVEL_DEBIAN_DIR}/copyright
        DESTINATION share/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
    quorvel_install_gzipped(${QUORVEL_DEBIAN_DIR}/changelog changelog.Debian
        share/doc/${package} ${component} EXCLUDE_FROM_ALL)
    # Never uploaded to Debian, so the first changelog entry closes no bug.
    install(FILES ${QUORVEL_DEBIAN_DIR}/lintian-overrides
        DESTINATION share/lintian/overrides RENAME ${package} COMPONENT ${component}
        EXCLUDE_FROM_ALL)
endforeach()
add_custom_target(quorvel_gzipped_docs ALL DEPENDS ${compressed_docs})

set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvel developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# Only these two: a file installed without a component belongs to no package.
set(CPACK_COMPONENTS_ALL cli gui)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian revision 1 of upstream 2.05: the changelog, cmake/debian/changelog,
# must start with an entry of exactly this version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# dpkg takes a name alone, but Debian policy asks for an address; the
# .invalid top-level domain is reserved never to resolve, so this one
# reaches no one.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvel developers <quorvel@quorvel.invalid>")
# Not "games": Debian keeps that for games themselves, in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SOURCE quorvel)
# Depends come from the programs themselves: dpkg-shlibdeps names the
# package of every library they link. tests/scripts/install_rules_test.sh
# checks each list against the libraries the programs name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME quorvel-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "manage Unreal Tournament 2004 maps, mutators and skins from a shell
quorvel-cli does what the Quorvel window does, without a display: it finds
the .zip and .rar archives of custom maps, mutators and skins in the folders
you name, installs an archive by placing each file where the game needs it,
uninstalls it again while keeping files that other content still uses, and
fills a redirect folder of .uz2 files for a game server.
.
This package also holds quorvel-unrar, which the command line and the
window start to read rar archives with the unrar library.")
# The unrar library (Debian non-free) adds encrypted and very old rar
# archives, read by quorvel-unrar; without it libarchive reads rar.
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS libunrar5)

set(CPACK_DEBIAN_GUI_PACKAGE_NAME quorvel)
set(CPACK_DEBIAN_GUI_DESCRIPTION
    "file manager for Unreal Tournament 2004 maps, mutators and skins
Quorvel finds the .zip and .rar archives of custom maps, mutators and skins
in the folders you name, shows what is installed in the game and what is
not, installs an archive by placing each file where the game needs it, and
uninstalls it again while keeping files that other content still uses. It
also manages the game's download cache, converts .uz2 files, plays and
deletes recorded demos, and writes reports.")
# Besides the libraries: quorvel-cli (= this version) from the component
# dependency, the Qt platform plugins without which no window opens, and
# xdg-utils for opening files with the desktop's programs.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_GUI_DEPENDS cli)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils")

include(CPack)
