# The installed tree: the program and both tools live in their own folder,
# lib/varnolt/, which is also the program folder where a reseller puts the
# brand files; bin/ holds relative links to them. The program finds its folder
# from the real path of its executable, so starting it through a link works.
set(VARNOLT_APP_DIR lib/varnolt)
set(VARNOLT_ID org.varnolt.Varnolt)
set(_pkg ${CMAKE_SOURCE_DIR}/packaging)

set(_programs ${VARNOLT_TOOLS})
if(VARNOLT_BUILD_GUI)
  list(PREPEND _programs varnolt)
endif()
install(TARGETS ${_programs} RUNTIME DESTINATION ${VARNOLT_APP_DIR})

# The links are made in the build folder and installed as links.
set(_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${_links})
foreach(_p ${_programs})
  file(CREATE_LINK ../${VARNOLT_APP_DIR}/${_p} ${_links}/${_p} SYMBOLIC)
  install(FILES ${_links}/${_p} DESTINATION bin)
endforeach()

# Man pages are installed compressed, as Debian packages keep them.
set(_man ${CMAKE_BINARY_DIR}/man)
set(_man_pages)
foreach(_tool ${VARNOLT_TOOLS})
  add_custom_command(
    OUTPUT ${_man}/${_tool}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
    COMMAND ${CMAKE_COMMAND} -E copy ${_pkg}/${_tool}.1 ${_man}/${_tool}.1
    COMMAND gzip -9nf ${_man}/${_tool}.1
    DEPENDS ${_pkg}/${_tool}.1
    VERBATIM)
  list(APPEND _man_pages ${_man}/${_tool}.1.gz)
  install(FILES ${_man}/${_tool}.1.gz DESTINATION share/man/man1)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${_man_pages})
install(FILES ${_pkg}/copyright DESTINATION share/doc/varnolt)

if(VARNOLT_BUILD_GUI)
  configure_file(${_pkg}/${VARNOLT_ID}.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/${VARNOLT_ID}.metainfo.xml @ONLY)
  install(FILES ${_pkg}/${VARNOLT_ID}.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_BINARY_DIR}/${VARNOLT_ID}.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${_pkg}/${VARNOLT_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${_pkg}/${VARNOLT_ID}.png DESTINATION share/icons/hicolor/256x256/apps)
endif()

# `make package`: a .deb whose dependencies dpkg-shlibdeps computes from the
# libraries the executables link. The Qt platform plugins are loaded at run
# time, so no library names them: that package is the one listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnolt)
set(CPACK_PACKAGE_VENDOR Varnolt)
set(CPACK_PACKAGE_CONTACT "Varnolt <support@varnolt.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keyword tools for search-ad buyers")
# One string: the lines of a CMake list would be joined by semicolons.
set(CPACK_PACKAGE_DESCRIPTION
    "Misspelled variants of keywords and the match-type notations of search-ad keyword lists,
with the command-line tools varnolt-kw and varnolt-brand.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
if(VARNOLT_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # The built-in skin's font; without it the desktop's default font stands in.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "xdg-utils, libqt6svg6, qt6-image-formats-plugins, fonts-dejavu-core")
endif()
include(CPack)
