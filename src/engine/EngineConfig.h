#pragma once
// Names and places of the two configuration files the engine root reads.
#include <string>

// applicationName() + ".cfg", kept in the user-data folder.
std::u16string getConfigFileName();
std::u16string getConfigFilePath();
// applicationName() + ".cfg.static", shipped beside the program.
std::u16string getStaticConfigFileName();
std::u16string getStaticConfigFilePath();

// The folder (ending in "/") getStaticConfigFilePath uses instead of the
// program's own when not empty: lets tests and tools start an engine with a
// static configuration of their own.
extern std::u16string staticConfigFolder;
