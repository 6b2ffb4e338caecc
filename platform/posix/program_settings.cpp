// Compiled into each program with its own TARNWICK_COM_PREFIX,
// TARNWICK_PORT_LINKS_DIR, TARNWICK_USER_LINKS and TARNWICK_KEYS_HELD.
#include "platform/posix/com_names.h"
#include "platform/posix/console_keys.h"

const char kComDevicePrefix[] = TARNWICK_COM_PREFIX;
const char kPortLinksDir[] = TARNWICK_PORT_LINKS_DIR;
const char kUserLinksName[] = TARNWICK_USER_LINKS;
const unsigned kKeysHeldMax = TARNWICK_KEYS_HELD;
