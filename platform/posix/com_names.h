// Which file a communications device name opens.
#pragma once

#include "platform/comm.h"

// The build's prefix for numbered ports (TARNWICK_COM_PREFIX) and its folder
// of links that give numbered ports to other devices (TARNWICK_PORT_LINKS_DIR).
extern const char kComDevicePrefix[];
extern const char kPortLinksDir[];

// Writes to path the file that name opens. "COM<n>" in any letter case, n a
// decimal number from 1 with no leading zero, is linksDir/com<n> when that
// exists, even as a dangling link, and prefix followed by n-1 when it does
// not. Any other name is a path, used unchanged. False when the path does
// not fit, or when whether the link exists cannot be told (a links folder
// that may not be searched or is no folder, a loop of links).
bool DevicePathForName(const char* name, const char* prefix, const char* linksDir,
                       char (&path)[MAX_PATH]);
