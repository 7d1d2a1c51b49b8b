#include "graphics/text/TextLanguage.h"

TextLanguage TextLanguage::current;
