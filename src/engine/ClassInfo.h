#pragma once
// Run-time class records: one static ClassInfo per engine class, linked into
// the registry during static initialisation and numbered once by name order.
#include <cstdint>
#include <string>
#include <vector>

class ClassInfo {
 public:
  using Factory = void* (*)();

  // A record registered with itself as parent is a root record (parent null).
  ClassInfo(uint32_t hash, const char16_t* name, const ClassInfo* parent, Factory factory);
  virtual ~ClassInfo() = default;

  std::u16string getName() const { return name; }
  // True when this record is `other` or derives from it through `parent`.
  bool isA(const ClassInfo* other) const;

  std::u16string name;
  uint32_t hash;
  int32_t classIndex = -1;
  Factory factory;
  ClassInfo* next = nullptr;
  const ClassInfo* parent;
};

struct ClassRegistry {
  bool bBadClasses = false;
  std::vector<ClassInfo*> classes;
  ClassInfo* head = nullptr;

  void assignClassIds();
  // Lookups for the replication layer.
  const ClassInfo* findByIndex(int32_t index) const;
  const ClassInfo* findByHash(uint32_t hash) const;
  // Records in the registry list, most recently registered first.
  size_t countRecords() const;
};

ClassRegistry& getClassRegistry();

// Declares the record accessor in a class body (getClass is the first virtual
// operation of every engine class).
#define ZIB_DECLARE_CLASS()                       \
 public:                                          \
  static const ClassInfo classInfo;               \
  const ClassInfo* getClass() const override { return &classInfo; }

// Same, for root classes that have no base with a virtual getClass.
#define ZIB_DECLARE_ROOT_CLASS()                  \
 public:                                          \
  static const ClassInfo classInfo;               \
  virtual const ClassInfo* getClass() const { return &classInfo; }

// Defines the record in the class's source file. The hash comes from the name.
#define ZIB_DEFINE_CLASS(Class, Parent, factory) \
  const ClassInfo Class::classInfo(::classNameHash(u## #Class), u## #Class, &Parent::classInfo, factory)
// A root record: its own parent.
#define ZIB_DEFINE_ROOT_CLASS(Class, factory) \
  const ClassInfo Class::classInfo(::classNameHash(u## #Class), u## #Class, &Class::classInfo, factory)

// hashName for string literals, usable during static initialisation.
constexpr uint32_t classNameHash(const char16_t* name) {
  uint32_t h = 0;
  for (; *name; ++name) h = h * 33u + static_cast<uint32_t>(*name);
  return h;
}

template <class T>
void* makeObject() { return new T(); }
