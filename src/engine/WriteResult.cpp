#include "engine/WriteResult.h"

#include <cstring>

#include "base/StringUtils.h"

std::u16string WriteResult::reason() const { return fromUtf8(std::strerror(error)); }
