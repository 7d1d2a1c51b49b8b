#pragma once
// The outcome of a save, which its caller must look at.
#include <string>

struct [[nodiscard]] WriteResult {
  // The system's error number; 0 when the file was written.
  int error = 0;
  // The file the error concerns: the one saved, or its temporary file.
  std::u16string file;

  bool ok() const { return error == 0; }
  // The system's text for the error ("Permission denied").
  std::u16string reason() const;
};
