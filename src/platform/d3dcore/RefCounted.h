#pragma once
// AddRef and Release for the device objects: one reference at creation, the
// last Release deletes.
#include "platform/D3D9.h"

template <class Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++references; }
  ULONG Release() override {
    const ULONG left = --references;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~RefCounted() override = default;

 private:
  ULONG references = 1;
};
