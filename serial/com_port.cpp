#include "serial/com_port.h"

#include <cstring>

namespace {

const DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

}  // namespace

CComPort::CComPort()
    : m_portName(),
      m_handle(INVALID_HANDLE_VALUE),
      m_opened(0),
      m_baudRate(9600),
      m_byteSize(8),
      m_parity(NOPARITY),
      m_stopBits(ONESTOPBIT) {}

CComPort::~CComPort() { Close(); }

void CComPort::SetParams(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits) {
    m_baudRate = baudRate;
    m_byteSize = byteSize;
    m_parity = parity;
    m_stopBits = stopBits;
}

int CComPort::Reconfigure(DWORD baudRate, BYTE byteSize, BYTE parity, BYTE stopBits) {
    if (!m_opened) return 0;
    char portName[kPortNameMax + 1];
    std::memcpy(portName, m_portName, sizeof portName);
    Close();
    SetParams(baudRate, byteSize, parity, stopBits);
    return Open(portName);
}

int CComPort::Open(const char* portName) {
    if (m_opened) return 0;
    if (std::strlen(portName) > static_cast<size_t>(kPortNameMax)) return 0;
    std::strcpy(m_portName, portName);

    m_handle = CreateFileA(m_portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) return 0;

    // A device that cannot report its settings is no serial device.
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_handle, &dcb)) {
        CloseHandle(m_handle);
        return 0;
    }

    dcb.BaudRate = m_baudRate;
    dcb.ByteSize = m_byteSize;
    dcb.Parity = m_parity;
    dcb.StopBits = m_stopBits;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    if (!SetCommState(m_handle, &dcb)) {
        CloseHandle(m_handle);
        return 0;
    }

    PurgeComm(m_handle, kPurgeAll);
    m_opened = 1;
    return 1;
}

void CComPort::Close() {
    if (!m_opened) return;
    m_opened = 0;
    PurgeComm(m_handle, kPurgeAll);
    CloseHandle(m_handle);
}

DWORD CComPort::BytesAvailable() {
    if (!m_opened) return 0;
    DWORD errors = 0;
    COMSTAT status;
    if (!ClearCommError(m_handle, &errors, &status)) return 0;
    return status.cbInQue;
}

DWORD CComPort::Read(void* buffer, DWORD maxCount) {
    if (!m_opened) return 0xFFFFFFFF;

    DWORD errors = 0;
    COMSTAT status;
    DWORD count = 0;
    if (ClearCommError(m_handle, &errors, &status)) {
        count = status.cbInQue < maxCount ? status.cbInQue : maxCount;
    }
    if (count == 0) return 0;

    if (!ReadFile(m_handle, buffer, count, &count, nullptr)) {
        count = 0;
        ClearCommError(m_handle, &errors, &status);
    }
    return count;
}

int CComPort::Write(const void* buffer, DWORD count) {
    if (!m_opened) return 0;
    DWORD written = 0;
    return WriteFile(m_handle, buffer, count, &written, nullptr) ? 1 : 0;
}

int CComPort::ReadByte(BYTE& byte, DWORD timeLimitMs) {
    if (!m_opened) return 0;
    DWORD remaining = timeLimitMs / kReadPollStepMs;
    for (;;) {
        BYTE received = 0;
        if (Read(&received, 1) != 0) {
            byte = received;
            return 1;
        }
        if (remaining == 0) return 0;
        Sleep(kReadPollStepMs);
        --remaining;
    }
}

int CComPort::WriteByte(BYTE byte) { return Write(&byte, 1); }

int CComPort::IsOpen() const { return m_opened; }
