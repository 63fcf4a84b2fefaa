# End-to-end tests: the real program under Xvfb, with a private JACK server
# as the audio clock and the audio captured to a file.
add_executable(audio_probe ${CMAKE_CURRENT_LIST_DIR}/tools/audio_probe.cpp)
add_executable(xclose ${CMAKE_CURRENT_LIST_DIR}/tools/xclose.cpp)
target_link_libraries(xclose PRIVATE X11)

if(VELMORA_E2E AND TARGET velmora)
  file(GLOB VELMORA_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.sh)
  foreach(script ${VELMORA_E2E_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e_${name} COMMAND ${script} ${CMAKE_BINARY_DIR})
    set_tests_properties(e2e_${name} PROPERTIES LABELS e2e TIMEOUT 180)
  endforeach()
endif()

# Two minutes of random playing. Under a sanitizer it looks for reports; in
# the plain build it also holds resident memory growth under 1 MiB.
if(VELMORA_SOAK AND TARGET velmora)
  if(VELMORA_SANITIZE)
    set(_rss_limit none)
  else()
    set(_rss_limit 1024)
  endif()
  add_test(NAME e2e_soak COMMAND ${CMAKE_CURRENT_LIST_DIR}/soak.sh ${CMAKE_BINARY_DIR} 120 ${_rss_limit})
  set_tests_properties(e2e_soak PROPERTIES LABELS soak TIMEOUT 400)
endif()
