#include "base/StringUtils.h"

#include <cmath>
#include <cstring>

void replaceAll(std::u16string& target, std::u16string_view from, std::u16string_view to) {
  // An empty search text would match everywhere without advancing.
  if (from.empty()) return;
  size_t pos = target.find(from);
  if (pos == std::u16string::npos) return;
  std::u16string out;
  out.reserve(target.size());
  size_t done = 0;
  for (; pos != std::u16string::npos; pos = target.find(from, done)) {
    out.append(target, done, pos - done);
    out.append(to);
    done = pos + from.size();
  }
  out.append(target, done);
  target = std::move(out);
}

std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  while (p != end) {
    const unsigned b = *p;
    if (b < 0x80) {
      out.push_back(static_cast<char16_t>(b));
      ++p;
    } else if ((b & 0xE0) == 0xC0) {
      if (end - p < 2) break;
      out.push_back(static_cast<char16_t>((b & 0x1F) << 6 | (p[1] & 0x3F)));
      p += 2;
    } else if ((b & 0xF0) == 0xE0) {
      if (end - p < 3) break;
      out.push_back(static_cast<char16_t>((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)));
      p += 3;
    } else {
      // A stray continuation byte or a four-byte lead: the replacement character.
      out.push_back(u'\uFFFD');
      ++p;
    }
  }
  return out;
}

std::string toUtf8(std::u16string_view text) {
  size_t size = 0;
  for (char16_t u : text) size += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
  std::string out;
  out.reserve(size);
  for (char16_t u : text) {
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | u >> 6));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | u >> 12));
      out.push_back(static_cast<char>(0x80 | (u >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

std::u16string toWideString(const char* text) { return fromUtf8(text ? text : ""); }

std::u16string cutAtNul(std::u16string_view text) { return std::u16string(text.substr(0, text.find(u'\0'))); }

std::u16string errnoText(int error) { return fromUtf8(std::strerror(error)); }

std::vector<std::u16string> splitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t lf = text.find(u'\n'); lf != std::u16string_view::npos; lf = text.find(u'\n', start)) {
    std::u16string_view piece = text.substr(start, lf - start);
    if (!piece.empty()) {
      if (piece.back() == u'\r') piece.remove_suffix(1);
      lines.emplace_back(piece);
    }
    start = lf + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::u16string getFileName(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

uint32_t hashName(std::u16string_view name) {
  uint32_t h = 0;
  for (char16_t u : name) {
    if (u == 0) break;
    h = h * 33 + u;
  }
  return h;
}

namespace {

// Clamp to [0, 1]; NaN gives 0 so that no NaN reaches positions or volumes.
float clamp01(float t) {
  if (!(t > 0)) return 0;
  return t > 1 ? 1 : t;
}

}  // namespace

float lerpClamped(float a, float b, float t) { return a + (b - a) * clamp01(t); }

float inverseLerpClamped(float a, float b, float x) { return a == b ? 0 : clamp01((x - a) / (b - a)); }

float inverseLerp(float a, float b, float x) { return a == b ? 0 : (x - a) / (b - a); }

float remapClamped(float outA, float outB, float inA, float inB, float x) {
  return lerpClamped(outA, outB, inverseLerpClamped(inA, inB, x));
}

float remap(float outA, float outB, float inA, float inB, float x) {
  return outA + (outB - outA) * inverseLerp(inA, inB, x);
}

float vectorLength(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

float distance(const Vector3& p, const Vector3& q) { return vectorLength(q - p); }

void normalizeVector3(Vector3& out, const Vector3& v) {
  const float length = vectorLength(v);
  out = length == 0 ? Vector3() : Vector3(v.x / length, v.y / length, v.z / length);
}

void interpolateVector3(Vector3& out, const Vector3& from, const Vector3& to, float t, int kind) {
  constexpr float P = 3.1415927410125732f, H = 1.5707963705062866f, T = 4.71238899230957f,
                  W = 6.2831854820251465f;
  constexpr float wobble[4] = {0.03978873466575142f, 0.07957746933150284f, 0.11936620399725427f,
                               0.15915493866300567f};
  t = clamp01(t);
  float f;
  switch (kind) {
    case 0: case 1: f = t; break;
    case 2: f = t * t; break;
    case 3: f = 1 - (1 - t) * (1 - t); break;
    case 4: f = std::sin(t * H); break;
    case 5: f = std::sin(t * H + T) + 1; break;
    case 6: f = 0.5f + 0.5f * std::sin(t * P + T); break;
    case 7: f = std::sin(t * P); break;
    case 8: f = t < 0.5f ? 2 * t : 2 * (1 - t); break;
    case 9: {
      const float s = t < 0.5f ? 1 - 2 * t : 1 - 2 * (1 - t);
      f = 1 - s * s;
      break;
    }
    case 10: case 11: case 12: case 13: f = t + std::sin(t * W) * wobble[kind - 10]; break;
    case 14: case 15: case 16: case 17: f = t + std::sin(t * W + P) * wobble[kind - 14]; break;
    default: return;
  }
  out = from + (to - from) * f;
}

namespace {

uint32_t randomState = 0;

}  // namespace

uint32_t randomStep() { return randomState = randomState * 214013u + 2531011u; }

uint32_t randomNext() { return randomStep() >> 16; }

void seedRandom(uint32_t seed) { randomState = seed; }

uint32_t getRandomState() { return randomState; }

RandomPool::RandomPool() {
  auto word = [] {
    const uint32_t low = randomStep() >> 16;
    return (randomStep() & 0xFFFF0000u) | low;
  };
  for (int i = 0; i < 32; ++i) {
    table1[i] = word();
    table2[i] = word();
  }
  randomStep();
  randomStep();
  table1[32] = table2[32] = word();
}

void seedMersenneTwister(MersenneTwisterState& mt, uint32_t seed) {
  mt.state[0] = seed;
  for (uint32_t i = 1; i < 624; ++i) mt.state[i] = 1812433253u * (mt.state[i - 1] ^ (mt.state[i - 1] >> 30)) + i;
  mt.index = 624;
}

namespace {

bool isIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Length of "operator..." at s[i] up to its parameter list, or 0 when s[i] starts no operator name.
size_t operatorNameLength(std::string_view s, size_t i) {
  constexpr std::string_view kw = "operator";
  if (s.substr(i, kw.size()) != kw || (i > 0 && isIdentifierChar(s[i - 1])) ||
      (i + kw.size() < s.size() && isIdentifierChar(s[i + kw.size()])))
    return 0;
  size_t j = i + kw.size();
  if (s.substr(j, 2) == "()") return j + 2 - i;
  while (j < s.size() && s[j] != '(') ++j;
  return j - i;
}

}  // namespace

std::u16string functionNameOf(const char* prettyFunction) {
  // "[virtual|static] [return type] Class<args>::method<args>(parameters) [const] [with ...]":
  // the name is what stands between the last top-level blank and the parameter list.
  const std::string_view s(prettyFunction ? prettyFunction : "");
  size_t start = 0, stop = s.size();
  int depth = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (const size_t op = operatorNameLength(s, i)) {
      i += op - 1;
      continue;
    }
    const char c = s[i];
    if (c == '<') {
      ++depth;
    } else if (c == '>') {
      if (depth > 0) --depth;
    } else if (c == ' ' && depth == 0) {
      start = i + 1;
    } else if (c == '(' && depth == 0) {
      constexpr std::string_view anonymous = "(anonymous namespace)";
      if (s.substr(i, anonymous.size()) == anonymous) {
        i += anonymous.size() - 1;
        continue;
      }
      stop = i;
      break;
    }
  }
  // Clang writes a returned pointer or reference against the name ("T *C::f()").
  while (start < stop && (s[start] == '*' || s[start] == '&')) ++start;
  // Drop template arguments and anonymous namespaces from the qualified name.
  std::string name;
  depth = 0;
  for (size_t i = start; i < stop; ++i) {
    if (const size_t op = operatorNameLength(s, i); op && depth == 0) {
      name.append(s.substr(i, std::min(op, stop - i)));
      break;
    }
    const char c = s[i];
    if (c == '<') ++depth;
    else if (c == '>' && depth > 0) --depth;
    else if (depth == 0) name.push_back(c);
  }
  for (std::string_view anon : {"(anonymous namespace)::", "{anonymous}::"}) {
    for (size_t at; (at = name.find(anon)) != std::string::npos;) name.erase(at, anon.size());
  }
  return fromUtf8(name);
}
