# velmora-render: plays a Standard MIDI File through the synth's own engine
# and MIDI message handler into a WAV file, offline. The handler's sources are
# compiled in beside an offline stand-in for the window and the MIDI ports, so
# the program needs neither a display nor a MIDI device, nor RtMidi or FLTK.
pkg_check_modules(SMF REQUIRED IMPORTED_TARGET smf)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)

add_library(velmora_render STATIC
  src/render/options.cpp
  src/render/midifile.cpp
  src/render/bounce.cpp
  src/render/wavfile.cpp
  src/render/offline_platform.cpp
  src/midi/midi.cpp
  src/midi/message.cpp)
target_link_libraries(velmora_render PUBLIC velmora_engine PkgConfig::SMF PkgConfig::SNDFILE)
target_compile_definitions(velmora_render PRIVATE VELMORA_VERSION="${PROJECT_VERSION}")

add_executable(velmora-render src/render/main.cpp)
target_link_libraries(velmora-render PRIVATE velmora_render)
install(TARGETS velmora-render RUNTIME DESTINATION bin)

# bench/ makes one executable per *_bench.cpp and links the engine alone; the
# file-render benchmark also needs this library. bench/ is added after this
# file is read, so the link is made once the whole tree has been read.
function(velmora_render_link_bench)
  if(TARGET render_file_bench)
    target_link_libraries(render_file_bench PRIVATE velmora_render)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL velmora_render_link_bench)
