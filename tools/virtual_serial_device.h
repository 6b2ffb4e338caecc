// A pseudo-terminal that stands in for a serial device.
//
// The device side (the one a terminal program opens) keeps the kernel's
// default settings, cooked with XON/XOFF on, as a real port that nobody has
// configured; a test that needs it otherwise sets it itself. It is
// published as a symbolic link, for example where the sandboxed build looks
// for COM2. The other side is this object's: what the program sends is read
// here, and what is written here arrives at the program.
#pragma once

#include <string>

class VirtualSerialDevice {
public:
    VirtualSerialDevice() = default;
    ~VirtualSerialDevice();
    VirtualSerialDevice(const VirtualSerialDevice&) = delete;
    VirtualSerialDevice& operator=(const VirtualSerialDevice&) = delete;

    // Creates the pair and the link. A symbolic link already at linkPath is
    // replaced; anything else there is left untouched and the open fails.
    // On failure returns false and says why in error.
    bool Open(const std::string& linkPath, std::string& error);
    // Closes this side as an unplugged adapter would: the program's side
    // hangs up. The link stays until destruction.
    void Vanish();

    // This side, non-blocking.
    int fd() const { return m_controller; }
    // A descriptor of the device side, for reading its settings.
    int deviceFd() const { return m_deviceHold; }
    // The device the link points to, such as /dev/pts/3.
    const std::string& devicePath() const { return m_devicePath; }
    const std::string& linkPath() const { return m_linkPath; }

    // Writes all of data, waiting up to timeoutMs for room. False when the
    // time ran out or this side is gone.
    bool Send(const std::string& data, int timeoutMs = 5000);
    // Reads until count bytes came or timeoutMs passed; returns what came.
    std::string Receive(size_t count, int timeoutMs);

    // Removes the link of every device of this process still published, as
    // their destructors would. Async-signal-safe, for a signal that ends the
    // process: a link left behind leads whatever opens it later to the
    // terminal that next gets the device's number.
    static void RemovePublishedLinks();

private:
    int m_controller = -1;
    int m_deviceHold = -1;  // keeps the device side alive between programs
    std::string m_devicePath;
    std::string m_linkPath;
};
