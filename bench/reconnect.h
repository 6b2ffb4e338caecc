// A serial adapter unplugged and plugged in again, as a terminal sees it.
#pragma once

#include <memory>
#include <string>

#include "tools/console_session.h"
#include "tools/virtual_serial_device.h"

struct ReconnectFigures {
    double ms = -1;               // from the new link to a line shown; -1: none by the deadline
    bool keptEarlyBytes = false;  // the line sent at once, before any reopening, was shown
};

// The device vanishes as an unplugged adapter does, and a new one is
// published at its link. The new one sends a line at once and again every
// 50 ms until the console shows one, for up to 3 s: a terminal that looks
// for its device now and then, and empties its input on opening it, still
// shows one. No figures, and why in error, when the new device cannot be made.
ReconnectFigures MeasureReconnect(ConsoleSession& terminal,
                                  std::unique_ptr<VirtualSerialDevice>& device, std::string& error);
