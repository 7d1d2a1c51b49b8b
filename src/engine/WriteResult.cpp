#include "engine/WriteResult.h"

#include "base/StringUtils.h"

std::u16string WriteResult::reason() const { return errnoText(error); }
