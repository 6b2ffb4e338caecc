// Virtual devices published where the sandbox program looks for its ports.
#pragma once

#include <memory>
#include <string>

#include "tools/virtual_serial_device.h"

// The text the program shows up to the baud-rate message, on every start.
extern const char kBanner[];

// The text from a successful open of COM<number> to the prompt.
std::string OpenedText(int number);

// Publishes a device as the sandbox's COM<number>; fails the test if it
// cannot.
std::unique_ptr<VirtualSerialDevice> PublishSandboxPort(int number);

// Removes whatever an earlier run left as the sandbox's COM1 and COM2.
void ClearSandboxPorts();
