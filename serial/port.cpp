#include "serial/port.h"

CComPort g_port;

void PortSetParams(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits) {
    g_port.SetParams(baudRate, byteSize, parity, stopBits);
}

int PortReconfigure(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits) {
    return g_port.Reconfigure(baudRate, byteSize, parity, stopBits);
}

int PortOpen(const char* portName) { return g_port.Open(portName); }

void PortClose() { g_port.Close(); }

DWORD PortBytesAvailable() { return g_port.BytesAvailable(); }

int PortReadByte(DWORD timeLimitMs) {
    BYTE byte = 0;
    if (g_port.ReadByte(byte, timeLimitMs)) return byte;
    return -1;
}

int PortWriteByte(BYTE byte) { return g_port.WriteByte(byte); }

DWORD PortRead(void* buffer, DWORD maxCount) { return g_port.Read(buffer, maxCount); }

int PortWrite(const void* buffer, DWORD count) { return g_port.Write(buffer, count); }

int PortIsOpen() { return g_port.IsOpen(); }
