// Virtual devices published where the program under test looks for its
// ports (TARNWICK_SANDBOX_DEVICE_DIR/ttyS<n-1> is COM<n>) and its port links
// (TARNWICK_SANDBOX_LINKS_DIR/com<n>), and what a test reads off them. Kept
// apart from <termios.h>, which the kernel's own definitions clash with.
#pragma once

#include <memory>
#include <string>

#include "tools/virtual_serial_device.h"

// Removes what an earlier run left as COM1, COM2 and their links.
void ClearSandboxPorts();
std::unique_ptr<VirtualSerialDevice> PublishSandboxPort(int number);
void LinkSandboxPort(int number, const std::string& target);
// The program linked into a folder of this name, which it must cut off its
// command line whole, blanks and quotes included.
std::string ProgramInFolder(const std::string& program, const std::string& folder);
// The device's line as "<speed> 8N1 raw", or what differs; "<speed> custom"
// for a speed set without a standard code of its own.
std::string DeviceLine(const VirtualSerialDevice& device);
// What the program sent and nobody has read, found without a wait: a byte
// written after it on the device's side ends it.
std::string Unread(VirtualSerialDevice& device);
// No lock on the device and no exclusive flag.
bool PortIsFree(const VirtualSerialDevice& device);
