# Installation (`cmake --install`) and the Debian package (`cpack -G DEB`).
#
# The programs live in a folder of their own under the library folder,
# beside their "Common" folder (links to the system's media libraries) and
# the help page, exactly as in the build's bin/ folder; the binary folder
# holds relative links to them.
include(GNUInstallDirs)

set(TREVIX_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/trevix-mov-video-converter)

install(TARGETS trevix-convert RUNTIME DESTINATION ${TREVIX_PRIVATE_DIR})
if(TREVIX_BUILD_GUI)
  install(TARGETS trevix-mov-video-converter RUNTIME DESTINATION ${TREVIX_PRIVATE_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${TREVIX_PRIVATE_DIR}/help)
  get_property(_qm_files GLOBAL PROPERTY TREVIX_QM_FILES)
  install(FILES ${_qm_files} DESTINATION ${TREVIX_PRIVATE_DIR}/translations)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${TREVIX_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${TREVIX_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${TREVIX_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(DIRECTORY ${TREVIX_ICON_THEME_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

# The manual page, compressed as Debian keeps them.
set(_man_gz ${CMAKE_BINARY_DIR}/man/trevix-convert.1.gz)
add_custom_command(
  OUTPUT ${_man_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/trevix-convert.1 > ${_man_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/trevix-convert.1
  COMMENT "Compressing the manual page")
add_custom_target(manual_page ALL DEPENDS ${_man_gz})
install(FILES ${_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Links made at install time, under DESTDIR and the prefix given then.
set(_programs trevix-convert)
if(TREVIX_BUILD_GUI)
  list(APPEND _programs trevix-mov-video-converter)
endif()
file(RELATIVE_PATH _bin_to_private /${CMAKE_INSTALL_BINDIR} /${TREVIX_PRIVATE_DIR})
install(CODE "
  set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${_root}/${CMAKE_INSTALL_BINDIR}\" \"\${_root}/${TREVIX_PRIVATE_DIR}/Common\")
  foreach(_program ${_programs})
    message(STATUS \"Installing: \${_root}/${CMAKE_INSTALL_BINDIR}/\${_program}\")
    file(CREATE_LINK \"${_bin_to_private}/\${_program}\" \"\${_root}/${CMAKE_INSTALL_BINDIR}/\${_program}\" SYMBOLIC)
  endforeach()
  foreach(_entry ${TREVIX_COMMON_LIBS})
    string(REPLACE \"|\" \";\" _parts \"\${_entry}\")
    list(GET _parts 0 _target)
    list(GET _parts 1 _soname)
    message(STATUS \"Installing: \${_root}/${TREVIX_PRIVATE_DIR}/Common/\${_soname}\")
    file(CREATE_LINK \"\${_target}\" \"\${_root}/${TREVIX_PRIVATE_DIR}/Common/\${_soname}\" SYMBOLIC)
  endforeach()
")

# The Debian package. The media libraries are opened at run time, so the
# shared-library scan cannot see them: they are named here; Qt and the C++
# run time come from the scan.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trevix-mov-video-converter)
set(CPACK_PACKAGE_VENDOR "Trevix Software")
set(CPACK_PACKAGE_CONTACT "Trevix Software <support@trevix-software.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts QuickTime and MPEG-4 videos for players, phones and the web")
set(CPACK_PACKAGE_DESCRIPTION
    "Trevix MOV Video Converter converts QuickTime and MPEG-4 files into video containers, audio formats and ready-made device profiles, one file after another, with a preview player. The package also holds trevix-convert, the same converter for the command line.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.trevix-software.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libavcodec59 | libavcodec-extra59, libavformat59, libavutil57, libswscale6, libswresample4, libavfilter8")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libavcodec-extra59, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qt6-translations-l10n")
include(CPack)
