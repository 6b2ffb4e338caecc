#include "tools/echo_device.h"

#include <poll.h>
#include <unistd.h>

namespace {

// How a byte is echoed. Control bytes come in caret form (ESC as ^[, DEL as
// ^?): raw, the ESC of an ESC ESC that ends the terminal would be the last
// byte it shows, and the user's terminal would take whatever it prints next
// as the rest of an escape sequence. Tab, line feed, carriage return and
// every other byte, UTF-8 text included, come as they are.
std::string Shown(unsigned char byte) {
    const bool control =
        (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F;
    if (!control) return std::string(1, static_cast<char>(byte));
    return {'^', static_cast<char>(byte ^ 0x40)};
}

}  // namespace

void EchoDevice::Serve(int timeoutMs) {
    pollfd waiting{m_device.fd(), POLLIN, 0};
    if (poll(&waiting, 1, timeoutMs) <= 0) return;
    unsigned char buffer[4096];
    const ssize_t count = read(m_device.fd(), buffer, sizeof buffer);
    for (ssize_t i = 0; i < count; ++i) Take(buffer[i]);
}

// After a carriage return (Enter) the line received is answered too. Bytes
// the terminal is not reading are dropped, as on a line.
void EchoDevice::Take(unsigned char byte) {
    const std::string shown = Shown(byte);
    m_device.Send(shown, 0);
    if (byte != '\r') {
        m_line += shown;
        return;
    }
    m_device.Send("\ndevice received: " + m_line + "\r\n", 0);
    m_line.clear();
}
