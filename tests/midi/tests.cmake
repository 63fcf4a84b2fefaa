# MIDI tests: the handler, note names, message packing, the port list and the
# ordering of the note state as the audio thread sees it. They link a small
# recording stand-in for the four toolkit calls the MIDI code makes.
if(NOT TARGET velmora_midi)
  return()
endif()

add_library(velmora_midi_toolkit_stand_in STATIC ${CMAKE_CURRENT_LIST_DIR}/toolkit_stand_in.cpp)
target_link_libraries(velmora_midi_toolkit_stand_in PUBLIC velmora_engine)
target_include_directories(velmora_midi_toolkit_stand_in PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(midi_tests
  ${CMAKE_CURRENT_LIST_DIR}/handler_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portlist_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ordering_test.cpp)
target_link_libraries(midi_tests PRIVATE velmora_midi velmora_midi_toolkit_stand_in
  velmora_test_support GTest::gtest_main)
gtest_discover_tests(midi_tests)

# A MIDI source for end-to-end tests: a virtual JACK output port that plays
# what it is told on standard input.
add_executable(midi_source ${CMAKE_CURRENT_LIST_DIR}/../e2e/midi_source.cpp)
target_link_libraries(midi_source PRIVATE PkgConfig::RTMIDI)
