#pragma once
// Three single-precision floats, laid out as D3DX's vector.
struct Vector3 {
  float x = 0, y = 0, z = 0;
  Vector3() = default;
  constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
  Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
  bool operator==(const Vector3&) const = default;
};
static_assert(sizeof(Vector3) == 12);
