// Serial communications calls of the operating system.
//
// On Windows this is the system's own API. Elsewhere the same names are
// declared here and implemented in platform/posix/ on top of the kernel's
// tty interface, so code above this layer is written once for both.
//
// What the non-Windows layer does with each call:
//   CreateFileA     "COM<n>" (any case, n >= 1) names what the user's or
//                   the build's port link com<n> names, or else the device
//                   with the build's COM prefix and number n-1; any other
//                   name is a path (platform/posix/com_names.h). As on
//                   Windows, a path longer than MAX_PATH with its
//                   terminating NUL does not open. Share mode 0 takes the
//                   device exclusively. A device that goes (unplugged, its
//                   board reset) is closed, and opened again by its name
//                   when it comes back (platform/posix/device_return.h).
//   GetCommState    fails on anything that is not a terminal device.
//   SetCommState    fails on values the device cannot honour.
//   PurgeComm       discards the directions its flags name.
//   ClearCommError  reports the input queue (the output queue as 0); fails
//                   while the device is gone.
//   ReadFile        synchronous: continues over short transfers and signals
//                   until the count is done or an error comes.
//   WriteFile       synchronous: continues until the kernel's driver has
//                   taken the whole count or an error comes. While it waits
//                   for room it still takes the keys typed, and gives up
//                   when they ask the program to leave (ESC ESC; see
//                   platform/posix/waits.h). Fails at once while the device
//                   is gone, so keys typed then are dropped.
//   Sleep           the polling step: it waits on the open devices (on
//                   one that is gone, for its return) and the keyboard, and
//                   ends when one of them has something or a signal comes.
//                   With a device open that is its only end, however long
//                   was asked, so an idle program does not wake; with none
//                   it lasts at most as long as asked.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN  // keeps out the RPC headers' global type byte
#endif
#include <windows.h>
#else

#include <cstdint>

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef const char* LPCSTR;
struct OVERLAPPED;
struct SECURITY_ATTRIBUTES;
typedef OVERLAPPED* LPOVERLAPPED;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

#define MAX_PATH 260

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define FILE_FLAG_OVERLAPPED 0x40000000u

#define PURGE_TXABORT 0x0001u
#define PURGE_RXABORT 0x0002u
#define PURGE_TXCLEAR 0x0004u
#define PURGE_RXCLEAR 0x0008u

#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4

#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2

#define DTR_CONTROL_DISABLE 0x00
#define DTR_CONTROL_ENABLE 0x01
#define DTR_CONTROL_HANDSHAKE 0x02

#define RTS_CONTROL_DISABLE 0x00
#define RTS_CONTROL_ENABLE 0x01
#define RTS_CONTROL_HANDSHAKE 0x02
#define RTS_CONTROL_TOGGLE 0x03

// Device control block: the line settings of a serial device.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
typedef DCB* LPDCB;

// Device status as ClearCommError reports it.
struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};
typedef COMSTAT* LPCOMSTAT;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
BOOL GetCommState(HANDLE handle, LPDCB dcb);
BOOL SetCommState(HANDLE handle, LPDCB dcb);
BOOL PurgeComm(HANDLE handle, DWORD flags);
BOOL ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT status);
BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
void Sleep(DWORD milliseconds);

#endif
