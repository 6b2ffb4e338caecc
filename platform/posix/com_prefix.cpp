// Compiled into each program with its own TARNWICK_COM_PREFIX and
// TARNWICK_PORT_LINKS_DIR.
#include "platform/posix/com_names.h"

const char kComDevicePrefix[] = TARNWICK_COM_PREFIX;
const char kPortLinksDir[] = TARNWICK_PORT_LINKS_DIR;
