#pragma once
// Run-time class records: one static ClassInfo per engine class, linked into
// the registry during static initialisation and numbered once by name order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ClassRegistry;

class ClassInfo {
 public:
  using Factory = void* (*)();

  // Joins the program's registry. A record registered with itself as parent
  // is a root record (parent null).
  ClassInfo(uint32_t hash, const char16_t* name, const ClassInfo* parent, Factory factory);
  // Joins the given registry instead (local registries in tests and tools).
  ClassInfo(ClassRegistry& registry, uint32_t hash, const char16_t* name, const ClassInfo* parent,
            Factory factory);
  // A record held for a class that is not built yet, so that the numbering is
  // already that of the whole program. The class's own record, once it is
  // linked in, replaces it when the records are numbered.
  struct Reserved {};
  ClassInfo(Reserved, uint32_t hash, const char16_t* name, const ClassInfo* parent, Factory factory);
  ClassInfo(ClassRegistry& registry, Reserved, uint32_t hash, const char16_t* name, const ClassInfo* parent,
            Factory factory);
  ClassInfo(const ClassInfo&) = delete;
  ClassInfo& operator=(const ClassInfo&) = delete;
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
  bool bReserved = false;
};

struct ClassRegistry {
  bool bBadClasses = false;
  // Sorted by name once assignClassIds has run; the position is the class index.
  std::vector<ClassInfo*> classes;
  // Most recently registered record; the list continues through `next`.
  ClassInfo* head = nullptr;

  // Numbers the records by name order (once: later calls change nothing) and
  // sets bBadClasses when two records share a name. A reserved record whose
  // name a class record also carries leaves the list first.
  void assignClassIds();
  // Lookups for the replication layer: by index once numbered, by hash along the list.
  const ClassInfo* findByIndex(int32_t index) const;
  const ClassInfo* findByHash(uint32_t hash) const;
  const ClassInfo* findByName(std::u16string_view name) const;
  // Records in the registry list.
  size_t countRecords() const;
};

// The program's registry, built on first use (by the first record's constructor).
ClassRegistry& getClassRegistry();

// Declares the record accessor in a class body (getClass is the first virtual
// operation of every engine class).
#define ZIB_DECLARE_CLASS()                                          \
 public:                                                             \
  static ClassInfo classInfo;                                        \
  const ClassInfo* getClass() const override { return &classInfo; }

// Same, for root classes that have no base with a virtual getClass.
#define ZIB_DECLARE_ROOT_CLASS()                                    \
 public:                                                            \
  static ClassInfo classInfo;                                       \
  virtual const ClassInfo* getClass() const { return &classInfo; }

// Defines the record in the class's source file. The hash comes from the name.
#define ZIB_DEFINE_CLASS(Class, Parent, factory) \
  ClassInfo Class::classInfo(::classNameHash(u## #Class), u## #Class, &Parent::classInfo, factory)
// A root record: its own parent.
#define ZIB_DEFINE_ROOT_CLASS(Class, factory) \
  ClassInfo Class::classInfo(::classNameHash(u## #Class), u## #Class, &Class::classInfo, factory)
// A record known by its hash alone: `name` is u"_" and the hash in eight
// lower-case hexadecimal digits, e.g. (..., 0x4229753a, u"_4229753a", ...).
#define ZIB_DEFINE_HASHED_CLASS(Class, Parent, hash, name, factory) \
  ClassInfo Class::classInfo(hash, name, &Parent::classInfo, factory)

// hashName for string literals, usable during static initialisation.
constexpr uint32_t classNameHash(const char16_t* name) {
  uint32_t h = 0;
  for (; *name; ++name) h = h * 33u + static_cast<uint32_t>(*name);
  return h;
}

template <class T>
void* makeObject() { return new T(); }
