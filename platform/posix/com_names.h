// Which file a communications device name opens.
#pragma once

#include <string>

// The build's prefix for numbered ports (TARNWICK_COM_PREFIX).
extern const char kComDevicePrefix[];

// "COM<n>" in any letter case, n a decimal number from 1 with no leading
// zero, is prefix followed by n-1; any other name is a path, used unchanged.
std::string DevicePathForName(const char* name, const char* prefix);
