#pragma once
// NUL-terminated UTF-8 text in the fixed-size fields of binary records.
#include <string>

// Copies the text's UTF-8 form and its NUL to the start of the field, dropping
// trailing UTF-16 units until it fits in 31 bytes. The bytes after the NUL are
// left as they were.
void assignFixedString32(char (&destination)[32], std::u16string text);
// The same for a 16-byte field: at most 15 bytes of UTF-8.
void assignFixedString16(char (&destination)[16], std::u16string text);
