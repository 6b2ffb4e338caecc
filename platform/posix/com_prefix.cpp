// Compiled into each program with its own TARNWICK_COM_PREFIX.
#include "platform/posix/com_names.h"

const char kComDevicePrefix[] = TARNWICK_COM_PREFIX;
