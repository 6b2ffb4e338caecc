// The program's console text, as every test expects it.
#pragma once

#include <string>

inline const std::string kBanner =
    "\r\nTarnwick program started\r\n"
    "Usage:\r\nTarnwick [com1] [baudrate]\r\n"
    "Parameter [com1] is optional for COM1 port using. Default is COM2\r\n"
    "Parameter [baudrate] can be number of bauds: 110,300,600...256000\r\n";
inline const std::string kDefaultSpeedText = "Set default baudrate 9600 bauds\r\n";
inline const std::string kNonStandardSpeedText =
    "Non standard baudrate. Set baudrate to 9600 bauds\r\n";

inline std::string SpeedText(const std::string& word) {
    return "Set baudrate to " + word + " bauds\r\n";
}

inline std::string OpenedText(int port) {
    return "Serial port COM" + std::to_string(port) +
           " successfully opened\r\n"
           "Keyboard input comes to port\r\n"
           "Port output comes to screen\r\n"
           "Press ESC, ESC to exit\r\n";
}

inline std::string FailureText(int port) {
    return "Can't open port COM" + std::to_string(port) + "!\r\nExiting...\r\n";
}
