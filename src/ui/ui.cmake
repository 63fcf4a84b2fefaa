# User-interface logic: everything in src/ui except the FLTK side, so that it
# links against either the real toolkit or the tests' fake one.
file(GLOB VELMORA_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.cpp)
list(FILTER VELMORA_UI_SOURCES EXCLUDE REGEX "toolkit_fltk\\.cpp$")
if(NOT VELMORA_UI_SOURCES)
  return()
endif()
add_library(velmora_ui STATIC ${VELMORA_UI_SOURCES})
target_link_libraries(velmora_ui PUBLIC velmora_engine)
