#pragma once
// Glyph slot (a byte of a Windows code page) to UTF-16 code point.
#include <cstdint>
#include <string>

// The table of "1250", "1251", "1252", "1253" or "1255"; null for others.
const uint16_t* findCodePageTable(const std::u16string& codePage);
