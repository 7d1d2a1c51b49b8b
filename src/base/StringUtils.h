#pragma once
// Text, path, hashing, interpolation and random helpers shared by the whole program.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Vector3.h"

void replaceAll(std::u16string& target, std::u16string_view from, std::u16string_view to);

std::u16string fromUtf8(std::string_view text);
std::string toUtf8(std::u16string_view text);
std::u16string toWideString(const char* text);
std::u16string cutAtNul(std::u16string_view text);
// The system's text for an error number ("No space left on device").
std::u16string errnoText(int error);

std::vector<std::u16string> splitLines(std::u16string_view text);
std::u16string getFileName(std::u16string_view path);

uint32_t hashName(std::u16string_view name);

float lerpClamped(float a, float b, float t);
float inverseLerpClamped(float a, float b, float x);
float inverseLerp(float a, float b, float x);
float remapClamped(float outA, float outB, float inA, float inB, float x);
float remap(float outA, float outB, float inA, float inB, float x);
float vectorLength(const Vector3& v);
float distance(const Vector3& p, const Vector3& q);
void normalizeVector3(Vector3& out, const Vector3& v);
void interpolateVector3(Vector3& out, const Vector3& from, const Vector3& to, float t, int kind);

// The engine's shared generator: x = x * 214013 + 2531011, callers take x >> 16.
uint32_t randomStep();            // advances and returns the new x
uint32_t randomNext();            // advances and returns x >> 16 (0..32767)
void seedRandom(uint32_t seed);
uint32_t getRandomState();

struct RandomPool {
  RandomPool();
  uint32_t table1[33];
  uint32_t table2[33];
};

struct MersenneTwisterState {
  uint32_t state[624];
  int index;
};
void seedMersenneTwister(MersenneTwisterState& mt, uint32_t seed);

// "Class::method" out of __PRETTY_FUNCTION__, for log lines and fatal reports.
std::u16string functionNameOf(const char* prettyFunction);
#define ZIB_FUNCTION ::functionNameOf(__PRETTY_FUNCTION__)
