// Virtual devices published where the sandbox program looks for its ports.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/console_text.h"
#include "tools/virtual_serial_device.h"

// The sandbox program with these words on its command line.
std::vector<std::string> SandboxCommand(const std::vector<std::string>& words);

// The sandbox program linked into a folder whose name has a space, so that
// its own name must be cut off the command line whole.
std::string SandboxProgramInFolderWithSpace();

// Publishes a device as the sandbox's COM<number>; fails the test if it
// cannot.
std::unique_ptr<VirtualSerialDevice> PublishSandboxPort(int number);

// Makes the sandbox's port link com<number> name target.
void LinkSandboxPort(int number, const std::string& target);

// Removes whatever an earlier run left as the sandbox's COM1 and COM2, and
// their links.
void ClearSandboxPorts();

// Whether nobody holds the device: no lock on it and no exclusive flag.
bool PortIsFree(const VirtualSerialDevice& device);

// The device's line as "<speed> 8N1 raw", or what differs from that; a
// speed set without a standard code of its own says "<speed> custom".
std::string DeviceLine(const VirtualSerialDevice& device);

// Bytes of every value, in an order that shows loss and reordering.
std::string EveryByteValue(size_t size);

// The device sending a pattern over and over from a thread of its own,
// until the object goes.
class DeviceFlood {
public:
    DeviceFlood(VirtualSerialDevice& device, const std::string& pattern);
    ~DeviceFlood();

private:
    std::atomic<bool> m_stop{false};
    std::thread m_sender;
};
