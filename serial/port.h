// The process-wide port: plain functions acting on the one CComPort, g_port,
// which lives from static initialisation to normal process exit and closes
// the device then if it is still open.
#pragma once

#include "platform/comm.h"
#include "serial/com_port.h"

extern CComPort g_port;

void PortSetParams(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits);
int PortReconfigure(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits);
int PortOpen(const char* portName);
void PortClose();
DWORD PortBytesAvailable();
// The received byte as 0 to 255, or -1 when none came within the limit,
// a read failed or the port is closed.
int PortReadByte(DWORD timeLimitMs);
int PortWriteByte(BYTE byte);
DWORD PortRead(void* buffer, DWORD maxCount);
int PortWrite(const void* buffer, DWORD count);
int PortIsOpen();
