#include "engine/DataStream.h"

DataStream::~DataStream() = default;

const void* DataStream::getMemory() { return nullptr; }
