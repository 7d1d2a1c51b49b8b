#pragma once

#include <cstdint>
#include <span>

// One row of a table that names error codes.
struct CodeName {
  int32_t code;
  const char16_t* name;
};

// The name of `code` in the table; null when the table has no such code.
const char16_t* findCodeName(std::span<const CodeName> table, int32_t code);
