# velmora-render: the program run on MIDI files that the tests write, its
# output compared with the engine driven directly, and its pitch checked by
# aubio's tracker.
if(NOT TARGET velmora-render)
  return()
endif()

add_library(velmora_render_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/render_support.cpp)
target_link_libraries(velmora_render_test_support PUBLIC velmora_test_support PkgConfig::SMF
  PkgConfig::SNDFILE util)
target_compile_definitions(velmora_render_test_support PUBLIC
  VELMORA_RENDER_PROGRAM="$<TARGET_FILE:velmora-render>")

add_executable(render_tests ${CMAKE_CURRENT_LIST_DIR}/render_test.cpp)
target_link_libraries(render_tests PRIVATE velmora_render_test_support GTest::gtest_main)
add_dependencies(render_tests velmora-render)
gtest_discover_tests(render_tests)

# Against aubio's pitch tracker (Debian's aubio-tools).
if(VELMORA_E2E)
  add_executable(render_aubio_tests ${CMAKE_CURRENT_LIST_DIR}/aubio_test.cpp)
  target_link_libraries(render_aubio_tests PRIVATE velmora_render_test_support GTest::gtest_main)
  add_dependencies(render_aubio_tests velmora-render)
  gtest_discover_tests(render_aubio_tests PROPERTIES LABELS e2e)
endif()
