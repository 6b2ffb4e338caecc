// Virtual devices where the program under test looks for its ports and port
// links, and what a test reads off them; apart from <termios.h>, with which
// the kernel's terminal definitions clash.
#pragma once

#include <memory>
#include <string>

#include "tools/virtual_serial_device.h"

std::string SandboxPortPath(int number);  // where COM<number> is published
void ClearSandboxPorts();                 // what an earlier run left as COM1, COM2 and their links
std::unique_ptr<VirtualSerialDevice> PublishSandboxPort(int number);
void LinkSandboxPort(int number, const std::string& target);
// The program linked into a folder of that name, under the device folder.
std::string ProgramInFolder(const std::string& program, const std::string& folder);
// "<speed> 8N1 raw", or what differs; "<speed> custom" for a speed set
// without a standard code of its own.
std::string DeviceLine(const VirtualSerialDevice& device);
// What the program sent and nobody has read, found without a wait: a byte
// written after it on the device's side ends it.
std::string Unread(VirtualSerialDevice& device);
bool PortIsFree(const VirtualSerialDevice& device);  // no lock on it, no exclusive flag
