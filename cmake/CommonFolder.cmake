# Fills bin/Common with links to the system's FFmpeg shared libraries, so a
# fresh build runs without installing anything next to it.
set(TREVIX_COMMON_DIR ${TREVIX_BIN_DIR}/Common)
set(_trevix_ffmpeg_libs avcodec avformat avutil swscale swresample avfilter)
set(_trevix_common_cmds)
# Each library as "<system path>|<soname>", for the installed program's
# "Common" folder.
set(TREVIX_COMMON_LIBS)
foreach(lib ${_trevix_ffmpeg_libs})
  pkg_get_variable(_libdir lib${lib} libdir)
  string(TOUPPER ${lib} _LIB)
  # The major version decides the soname (libavcodec.so.59 and so on).
  string(REGEX MATCH "^[0-9]+" _major "${FFMPEG_lib${lib}_VERSION}")
  set(_soname lib${lib}.so.${_major})
  if(NOT EXISTS ${_libdir}/${_soname})
    message(FATAL_ERROR "${_libdir}/${_soname} not found")
  endif()
  list(APPEND TREVIX_COMMON_LIBS "${_libdir}/${_soname}|${_soname}")
  list(APPEND _trevix_common_cmds
       COMMAND ${CMAKE_COMMAND} -E create_symlink ${_libdir}/${_soname} ${TREVIX_COMMON_DIR}/${_soname}
       COMMAND ${CMAKE_COMMAND} -E create_symlink ${_libdir}/${_soname} ${TREVIX_COMMON_DIR}/lib${lib}.so)
endforeach()
add_custom_target(common_folder ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TREVIX_COMMON_DIR}
  ${_trevix_common_cmds}
  COMMENT "Linking the FFmpeg libraries into bin/Common")
