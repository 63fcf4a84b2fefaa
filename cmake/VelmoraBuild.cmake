# Compiler settings shared by every target: the language level, warnings as
# errors, IEEE arithmetic, the sanitizer switch, and link-time optimisation
# for the engine.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
# The plugin is a shared object built from the same static libraries.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# The engine relies on IEEE arithmetic: no fast-math, and no fused
# multiply-add, so the samples are the same on every machine.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off)

set(VELMORA_SANITIZE "" CACHE STRING "Sanitizers: address;undefined, thread or realtime")
if(VELMORA_SANITIZE)
  string(REPLACE ";" "," _san "${VELMORA_SANITIZE}")
  set(_san_flags -fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  if(_san MATCHES "undefined")
    # Not part of "undefined" in GCC; float-to-int overflow is a real risk here.
    list(APPEND _san_flags -fsanitize=float-cast-overflow)
  endif()
  add_compile_options(${_san_flags})
  add_link_options(${_san_flags})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC's flow analysis under the sanitizers' instrumentation reports
    # uninitialised reads inside the standard library (std::regex) that do
    # not exist; the plain build keeps the warning.
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()

# The callback calls the envelope and the oscillators once per sample across
# files; link-time optimisation lets them inline.
include(CheckIPOSupported)
check_ipo_supported(RESULT VELMORA_IPO LANGUAGES CXX)
function(velmora_enable_ipo target)
  if(VELMORA_IPO AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
endfunction()

# Every program at the top of the build folder, where the scripts look.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# velmora_require(PREFIX MODULE PACKAGE): the pkg-config MODULE as the
# imported target PkgConfig::PREFIX, or a configure error that names the
# Debian PACKAGE providing it, so a missing library reads as what to install.
macro(velmora_require prefix module package)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    velmora_missing(${package} "pkg-config finds no ${module}")
  endif()
endmacro()

function(velmora_missing package what)
  message(FATAL_ERROR "${what}: install the Debian package ${package} "
    "(sudo apt-get install ${package}), or run ./scripts/install-deps.sh")
endfunction()
