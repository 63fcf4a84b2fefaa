// Both fuzz targets: a broken property aborts with its name; libFuzzer keeps
// the input that broke it.
#pragma once
#include <cstdio>
#include <cstdlib>

inline void Check(bool ok, const char* what) {
  if (ok)
    return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}
