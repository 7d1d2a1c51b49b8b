#pragma once
// The links aimed at the object that holds this list, in the order they were aimed.
#include "engine/BasicLink.h"

class ObjectLinkList : public BasicLink {
 public:
  // Empties every link still aimed at the holder, the first first.
  ~ObjectLinkList() override;
};
