# What `cmake --install` puts where, and the Debian package that CPack builds from it.
include(GNUInstallDirs)

set(ZORVIK_HOMEPAGE "https://zorvik.org" CACHE STRING "The project's home page; the metadata's screenshots are under /screenshots/ there")

# Manual pages go in gzipped, as Debian installs them (-n: no name or time inside, so that the
# package is the same from build to build).
find_program(GZIP gzip REQUIRED)
set(ZORVIK_MAN_PAGES data/man/zorvik.1 data/man/zorvik-page.5)
if(ZORVIK_GUI)
  list(APPEND ZORVIK_MAN_PAGES data/man/zorvik-workbench.1)
endif()
set(gzipped_man_pages)
foreach(page IN LISTS ZORVIK_MAN_PAGES)
  get_filename_component(name ${page} NAME)
  string(REGEX REPLACE ".*\\." "" section ${name})
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
                     COMMAND ${GZIP} -9nc ${CMAKE_CURRENT_SOURCE_DIR}/${page} > ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.gz
                     DEPENDS ${page})
  list(APPEND gzipped_man_pages ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${gzipped_man_pages})

install(TARGETS zorvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/zorvik.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME zorvik)
install(DIRECTORY examples/site DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples PATTERN out EXCLUDE)
install(DIRECTORY ${CMAKE_BINARY_DIR}/guide/html/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/guide)
install(FILES data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(ZORVIK_GUI)
  install(TARGETS zorvik-workbench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/zorvik-workbench.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  configure_file(data/org.zorvik.workbench.metainfo.xml.in org.zorvik.workbench.metainfo.xml @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.zorvik.workbench.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvik)
set(CPACK_PACKAGE_VENDOR "Zorvik")
set(CPACK_PACKAGE_CONTACT "Zorvik developers <dev@zorvik.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${ZORVIK_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_DESCRIPTION "Zorvik makes static HTML pages for people who keep a web site by hand: the\n\
zorvik-workbench desktop program (page-source editor, preview, batch window,\n\
site check and publishing) and the zorvik command (build, show, batch, watch,\n\
serve, check, publish, convert, new, match, replace).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# The libraries the programs link, found by dpkg-shlibdeps; what they load at run time besides:
# the Japanese font of the panes, Qt's own Japanese texts and the display plug-ins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
if(ZORVIK_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n, qt6-qpa-plugins")
endif()
# zorvik serve --open starts the browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
