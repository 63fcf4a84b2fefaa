# MIDI input: port list, open/switch, the message handler, and the platform
# layer over RtMidi. alsa-lib and libjack are named as well because the layer
# silences their diagnostics while it probes the ports.
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
file(GLOB VELMORA_MIDI_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/midi/*.cpp)
if(NOT VELMORA_MIDI_SOURCES)
  return()
endif()
add_library(velmora_midi STATIC ${VELMORA_MIDI_SOURCES})
target_link_libraries(velmora_midi PUBLIC velmora_engine PkgConfig::RTMIDI PkgConfig::ALSA
  PkgConfig::JACK)
