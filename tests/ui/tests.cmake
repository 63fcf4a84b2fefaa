# Headless user-interface tests: the UI logic against the fake toolkit.
if(TARGET velmora_fake_toolkit AND TARGET velmora_midi)
  file(GLOB VELMORA_UI_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
  if(VELMORA_UI_TESTS)
    add_executable(ui_tests ${VELMORA_UI_TESTS})
    # The interface, the MIDI input and the toolkit side call each other.
    target_link_libraries(ui_tests PRIVATE
      "$<LINK_GROUP:RESCAN,velmora_ui,velmora_midi,velmora_fake_toolkit>"
      velmora_test_support GTest::gtest_main)
    gtest_discover_tests(ui_tests)
  endif()
endif()
