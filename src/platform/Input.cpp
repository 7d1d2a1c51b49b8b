#include "platform/Input.h"

namespace {
DirectInputFactory& backend() {
  static DirectInputFactory instance;
  return instance;
}
DirectInputFactory& override() {
  static DirectInputFactory instance;
  return instance;
}
}  // namespace

void registerDirectInputBackend(DirectInputFactory factory) { backend() = std::move(factory); }

void setDirectInputFactory(DirectInputFactory factory) { override() = std::move(factory); }

int32_t DirectInput8Create(std::unique_ptr<IDirectInput8>& input) {
  const DirectInputFactory& factory = override() ? override() : backend();
  input = factory ? factory() : nullptr;
  return input ? DI_OK : DIERR_DEVICENOTREG;
}
