#include "engine/ZibModules.h"

namespace {

ZibModules* installed = nullptr;

}  // namespace

void setZibModules(ZibModules* modules) { installed = modules; }

ZibModules& zibModules() {
  static ZibModules none;
  return installed ? *installed : none;
}
