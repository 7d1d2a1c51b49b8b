#include "base/CodeName.h"

const char16_t* findCodeName(std::span<const CodeName> table, int32_t code) {
  for (const CodeName& entry : table)
    if (entry.code == code) return entry.name;
  return nullptr;
}
