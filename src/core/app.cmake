# The synth program: the libraries plus the FLTK side of the toolkit layer.
if(NOT TARGET velmora_ui OR NOT TARGET velmora_midi)
  return()
endif()
# Debian's FLTK CMake package insists on the fluid designer, which we do not
# need; the library and its header are enough.
find_library(FLTK_BASE_LIBRARY fltk REQUIRED)
find_path(FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_package(X11 REQUIRED)

add_library(velmora_fltk STATIC src/ui/toolkit_fltk.cpp)
target_include_directories(velmora_fltk SYSTEM PUBLIC ${FLTK_INCLUDE_DIR})
target_link_libraries(velmora_fltk PUBLIC velmora_ui ${FLTK_BASE_LIBRARY} ${X11_LIBRARIES})

add_executable(velmora src/core/main.cpp src/core/audio.cpp)
# The interface, the MIDI input and the toolkit side call each other.
target_link_libraries(velmora PRIVATE
  "$<LINK_GROUP:RESCAN,velmora_ui,velmora_midi,velmora_fltk>" PkgConfig::PORTAUDIO)
install(TARGETS velmora RUNTIME DESTINATION bin)
