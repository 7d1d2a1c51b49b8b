#pragma once
// The record handed to the event operations of ZibBase. Its sender builds it
// on the stack and sends it with dispatchEvent; codes and fields are the sender's.
#include <cstdint>

class ZibBase;
class ObjectLink;
class PointerFocusTracker;

struct ZibEvent {
  int32_t code = 0;
  ZibBase* sender = nullptr;
  ZibBase* target = nullptr;
  PointerFocusTracker* tracker = nullptr;
  ObjectLink* link = nullptr;
  ZibBase* extra = nullptr;
};
