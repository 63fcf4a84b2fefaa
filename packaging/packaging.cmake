# Installing and packaging: the programs, the desktop menu entry, the icon in
# every size a desktop asks for, the manual page, and a Debian package built
# by `cpack -G DEB` whose dependencies come from the libraries actually linked.
include(GNUInstallDirs)

set(_pkg ${CMAKE_CURRENT_LIST_DIR})

# The programs. The synth target carries its own install rule; the renderer
# is a separate program that may not be in this tree yet.
if(TARGET velmora-render)
  install(TARGETS velmora-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Desktop menu entry and icon, in the freedesktop.org locations that menus
# and icon themes search: the SVG for any size, PNGs for desktops that do not
# scale SVGs. The PNGs are rendered from the SVG by icons/render.sh.
install(FILES ${_pkg}/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/icons/velmora.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${_pkg}/icons/png/velmora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME velmora.png)
endforeach()

# The manual page, compressed as Debian installs manual pages. Done at
# configure time with plain gzip (-n: no name or time stamp, so the package
# is the same from one build to the next), so that `cmake --install` works
# after building the synth target alone.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_pkg}/velmora.1)
execute_process(COMMAND gzip -9nc ${_pkg}/velmora.1
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/velmora.1.gz
  RESULT_VARIABLE _gzip_status)
if(NOT _gzip_status EQUAL 0)
  message(FATAL_ERROR "gzip could not compress the manual page")
endif()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velmora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <maintainers@users.noreply.c-seed-c0317593.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monophonic phase-warp software synthesizer")
# CPack puts the summary above this as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmora is a small synthesizer for the Linux desktop, played from a MIDI
keyboard on channel 1 through an ALSA sequencer or JACK MIDI port. Two sine
oscillators have their phase bent by a warp curve whose knee travels, during
every note, through four keyframes that you drag on two canvases; the
amplitude envelope drives both the level and the knee, so the timbre moves
as the note sounds. The oscillators can be detuned, hard-synced and mixed
by sum, FM or AM. Sound goes to the default audio output.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is worked out by dpkg-shlibdeps from the installed binaries, so it
# names exactly the packages of the shared libraries they link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window asks fontconfig for "Arial"; Liberation Sans answers with the
# same metrics. Nothing links it, so it is a recommendation.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
