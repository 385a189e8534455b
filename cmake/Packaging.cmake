# Installed files outside the subsystems and the Debian package made from the
# install tree: `cmake --build build --target package` writes
# ter5manager_<version>_<architecture>.deb into the build directory.
include(GNUInstallDirs)

# The user manual, once the repository holds it (re-run CMake after it arrives).
if(EXISTS ${CMAKE_SOURCE_DIR}/doc/manual)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ter5manager/manual)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(TER5_PACKAGE_MAINTAINER "TER5 Manager developers <ter5manager@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ter5manager)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TER5_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion for TER v.5 land-cadastre working bases")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # ter5manager_1.0.0.2_amd64.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TER5_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies (Qt 6, the C++ runtime) as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The about window's and the manual's links open through xdg-open, and Qt's own dialog
# texts (buttons, the file dialog) come in Russian from Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
# The companion program is a Windows program, started through Wine on Linux; the GDAL
# driver serves GDAL's programs and QGIS. The GDAL library the driver was built
# against (libgdal32 on Debian 12) comes into Depends through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine, gdal-bin, qgis")
# The extended description under the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "TER5 Manager finds, browses and maintains the working databases (bases) of the
TER v.5 land-cadastre programs: directories of Paradox tables of owners,
parcels and parcel boundary vertices. It shows a base in a directory tree, two
linked grids and a zoomable parcel map with labels, searches it, rebuilds its
tables' indexes, creates new bases from editable templates and starts the
companion program on a base. It lives in the system tray.
.
The package holds the desktop program (ter5manager, started from the menu
through ter5manager-start), the command-line tool ter5tool and a GDAL driver
that lets QGIS, ogr2ogr and other GDAL programs open bases and Paradox tables.")

include(CPack)
