#pragma once
// Fuzz targets run without an engine window: a bare engine root whose fatal
// reports throw FuzzFatal, so that a fatal report ends the input, not the fuzzer.
#include <stdexcept>

struct FuzzFatal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Builds the bare root once (logger, error manager, resource manager) with
// its user-data folder in a temporary directory.
void fuzzEnsureEngine();

// Runs f, swallowing FuzzFatal.
template <class F>
void fuzzCatchFatal(F&& f) {
  try {
    f();
  } catch (const FuzzFatal&) {
  }
}
