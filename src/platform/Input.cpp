#include "platform/Input.h"

namespace {
DirectInputFactory& factory() {
  static DirectInputFactory instance;
  return instance;
}
}  // namespace

void setDirectInputFactory(DirectInputFactory newFactory) { factory() = std::move(newFactory); }

int32_t DirectInput8Create(std::unique_ptr<IDirectInput8>& input) {
  input = factory() ? factory()() : makeSdlDirectInput();
  return input ? DI_OK : DIERR_DEVICENOTREG;
}
