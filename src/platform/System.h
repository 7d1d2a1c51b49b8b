#pragma once
// Desktop services of the platform layer.
#include <string>

// Shows a modal error box when a display can be used; otherwise (no display,
// under CI, or with $ZIB_NO_MESSAGE_BOX set) prints "title: text" to stderr,
// so a headless run never blocks. A terminate request (SIGTERM, SIGINT) ends
// the wait for the box.
void showMessageBox(const std::u16string& title, const std::u16string& text);
