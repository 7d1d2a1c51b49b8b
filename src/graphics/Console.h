#pragma once
// The developer console: a screen-sized text overlay, opened with Left Shift
// and the grave-accent key while the release flag is off, in which one-line
// commands change engine settings at run time. Lines that other code adds go
// to the log as well.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/Format.h"
#include "graphics/Context.h"

class Console : public Context {
  ZIB_DECLARE_CLASS()
 public:
  // A format text written in the program. Console text never becomes a
  // format: it can only be an argument (addLine(u"%s", text)).
  class LineFormat {
   public:
    template <size_t N>
    consteval LineFormat(const char16_t (&literal)[N]) : text(literal, N - 1) {}
    std::u16string_view text;
  };

  // One text the drawing puts on the screen: its bottom-left corner in the
  // console camera's pixels and the text.
  struct ShownText {
    float x = 0, y = 0;
    std::u16string text;
  };

  // The oldest lines go beyond this many; the view keeps showing the same line.
  static constexpr size_t kMaxStoredLines = 1000;

  Console();
  ~Console() override;

  // Pixel camera: one world unit is one logical pixel, the origin at the centre.
  void onPresentationRestored() override;
  // Toggle, typing and scrolling.
  void tickContents(double time, double delta) override;
  void renderContents() override;
  virtual void executeCommand(std::u16string command);

  // Formats a line, keeps it and logs it as "> " and the text. A view on the
  // newest line follows it; a view scrolled back stays.
  template <class... Args>
  void addLine(LineFormat format, const Args&... args) {
    appendLine(formatString(format.text, args...));
  }

  // What the drawing shows while open, given the font's line height: the
  // input line with its blinking cursor, then the history upwards from
  // scrollIndex, at most maxLines + 1 lines of it.
  std::vector<ShownText> shownText(int32_t lineHeight) const;

  std::deque<std::u16string> lines;  // oldest first
  int32_t scrollIndex = -1;          // the newest line shown; -1 while there is none
  std::u16string input;
  bool bVisible = false;  // the console is open
  int32_t maxLines = 40;

 private:
  void appendLine(std::u16string text);
};
