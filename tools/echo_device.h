// The demo's device: echoes every byte it receives and answers each line.
#pragma once

#include <string>

#include "tools/virtual_serial_device.h"

class EchoDevice {
public:
    explicit EchoDevice(VirtualSerialDevice& device) : m_device(device) {}

    // Takes what arrives within timeoutMs and replies to it.
    void Serve(int timeoutMs);

private:
    void Take(unsigned char byte);

    VirtualSerialDevice& m_device;
    std::string m_line;  // the line so far, as echoed
};
