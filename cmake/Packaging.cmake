# `cpack -G DEB` in a build folder makes harrowdale_<version>_<arch>.deb, which installs
# the same tree as `cmake --install` under /usr. Its dependencies are read from the
# libraries the programs link (dpkg-shlibdeps, from dpkg-dev), so they follow the build
# machine's Qt and ICU instead of a list kept by hand.

set(HARROWDALE_MAINTAINER "Harrowdale developers <developers@harrowdale.example>" CACHE STRING
    "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME harrowdale)
set(CPACK_PACKAGE_VENDOR "Harrowdale developers")
set(CPACK_PACKAGE_CONTACT "${HARROWDALE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk-usage analyser with treemaps")
set(CPACK_PACKAGE_HOMEPAGE_URL "${HARROWDALE_WEBSITE}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HARROWDALE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The long description; CPack puts the summary above it and indents each line as
# Debian wants, but does not wrap them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Harrowdale shows where the space on your disks went. Pick all drives or one
folder, optionally leave out files by date, size or name pattern, and scan:
the results appear as treemaps beside lists and trees (files in folders, only
files, only folders and duplicate files), from which you can open, reveal,
copy the paths of, trash or delete what you selected.

The package also holds harrowdale-scan, the same scanner on the command line,
with a plain or JSON report and treemap pictures.")
if(HARROWDALE_GUI)
    # Qt loads its platform and image plugins at run time, so no linked library names
    # them; the window cannot open without a platform plugin, and its icon is an SVG
    # (the SVG plugins are in libqt6svg6 on Debian 12, qt6-svg-plugins later). Qt's own
    # translations are welcome but optional.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-svg-plugins | libqt6svg6")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()

# The copyright file and the changelog Debian asks for, and the changes to the staged
# files that make a Debian package of a plain install (cmake/DebianStaging.cmake).
execute_process(COMMAND date -u -R -d "${HARROWDALE_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE HARROWDALE_RELEASE_TIME OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_HARROWDALE_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright.in
               ${CPACK_HARROWDALE_DEBIAN_DIR}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in
               ${CPACK_HARROWDALE_DEBIAN_DIR}/changelog @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianStaging.cmake)
set(CPACK_HARROWDALE_OBJCOPY ${CMAKE_OBJCOPY})
# Whether the window asks the website for updates: a package refuses to be made then
# (`cpack -D CPACK_HARROWDALE_KEEP_UPDATE_CHECK=ON` makes one all the same, for tests of its
# contents).
if(HARROWDALE_GUI AND HARROWDALE_UPDATE_CHECK)
    set(CPACK_HARROWDALE_UPDATE_CHECK ON)
else()
    set(CPACK_HARROWDALE_UPDATE_CHECK OFF)
endif()

include(CPack)
