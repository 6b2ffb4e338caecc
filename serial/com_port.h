// CComPort: one serial device, its handle while open and the line settings
// applied each time it is opened.
//
// Reads never wait for the line: they take only what the device has already
// queued, and the one waiting read, ReadByte, polls in kReadPollStepMs steps
// up to a caller-given limit. Each step is the platform's Sleep: where the
// platform layer is this project's own (platform/comm.h), a step lasts until
// the port or the keyboard has something, however long was asked, so the
// limit counts steps rather than time. Writes are synchronous. Nothing here
// prints; every failure is a return value.
#pragma once

#include "platform/comm.h"

class CComPort {
public:
    static const int kPortNameMax = 20;
    static const DWORD kReadPollStepMs = 5;

    // Closed, 9600 baud, 8 data bits, no parity, one stop bit.
    CComPort();
    // Closes the device if it is still open.
    virtual ~CComPort();

    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Stores the line settings for the next Open; an open device keeps its
    // current settings until then.
    void SetParams(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits);
    // Closes an open port and opens it again with new settings. Returns 0
    // and stores nothing when the port is closed.
    int Reconfigure(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits);

    // Opens the device exclusively, applies the stored settings in binary
    // mode with no hardware flow control and DTR and RTS off, and purges
    // both directions. 1 on success; 0 when already open, when the name is
    // longer than kPortNameMax, or when the device cannot be opened or
    // configured (no handle outlives a failed Open).
    int Open(const char* portName);
    // Purges both directions (pending output is discarded) and closes.
    void Close();

    // Bytes waiting in the input queue; 0 when closed or on failure.
    DWORD BytesAvailable();
    // Reads up to maxCount bytes already queued, without waiting. Returns
    // the count stored, or 0xFFFFFFFF when the port is not open.
    DWORD Read(void* buffer, DWORD maxCount);
    // Synchronous write; 1 when the write call succeeded, else 0.
    int Write(const void* buffer, DWORD count);
    // Waits up to timeLimitMs for one byte, checking the queue at once and
    // then after every kReadPollStepMs of sleep. 1 when a byte was stored.
    int ReadByte(BYTE& byte, DWORD timeLimitMs);
    int WriteByte(BYTE byte);
    int IsOpen() const;

private:
    char m_portName[kPortNameMax + 1];
    HANDLE m_handle;
    int m_opened;
    DWORD m_baudRate;
    BYTE m_byteSize;
    BYTE m_parity;
    BYTE m_stopBits;
};
