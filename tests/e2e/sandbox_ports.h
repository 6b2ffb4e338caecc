// Virtual devices published where the sandbox program looks for its ports.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "tools/virtual_serial_device.h"

// The text the program shows up to the baud-rate message, on every start.
extern const char kBanner[];

// The text from a successful open of COM<number> to the prompt.
std::string OpenedText(int number);

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
