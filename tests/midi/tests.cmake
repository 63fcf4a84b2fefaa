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

# End to end through the real platform layer against a private JACK server
# that the test starts and stops itself. VELMORA_E2E=OFF leaves it out (the
# sanitizer builds do).
find_program(VELMORA_JACKD jackd)
if((VELMORA_E2E OR NOT DEFINED VELMORA_E2E) AND VELMORA_JACKD)
  add_executable(midi_e2e_tests ${CMAKE_CURRENT_LIST_DIR}/e2e_test.cpp)
  target_link_libraries(midi_e2e_tests PRIVATE velmora_midi velmora_midi_toolkit_stand_in
    velmora_test_support)
  target_compile_definitions(midi_e2e_tests PRIVATE
    VELMORA_MIDI_SOURCE="$<TARGET_FILE:midi_source>")
  add_dependencies(midi_e2e_tests midi_source)
  add_test(NAME midi_e2e COMMAND midi_e2e_tests)
  set_tests_properties(midi_e2e PROPERTIES LABELS e2e TIMEOUT 120)
endif()
