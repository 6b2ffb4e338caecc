// Numbered ports of the test program: links the tests make themselves in a
// directory of their own, never a real device.
#include "platform/posix/com_names.h"

const char kComDevicePrefix[] = "/tmp/tarnwick-posix-comm-tests/port";
const char kPortLinksDir[] = "/tmp/tarnwick-posix-comm-tests/links";
