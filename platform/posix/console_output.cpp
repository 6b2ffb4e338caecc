#include "platform/posix/console_output.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include "platform/posix/console_terminal.h"
#include "platform/posix/own_pages.h"

namespace {

const size_t kBlockSize = 4096;

// Shared with the signal handler: a byte is stored before it is counted.
// The block has pages of its own, mapped for the first byte.
unsigned char* g_block = nullptr;
volatile sig_atomic_t g_gathered = 0;
volatile sig_atomic_t g_writingBlock = 0;

// An output that another program left non-blocking is waited for, as a
// blocking one would be, so that no block is lost to a full pipe.
bool WriteAll(const unsigned char* bytes, size_t size) {
    const int output = Console().output;
    while (size > 0) {
        const ssize_t written = write(output, bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<size_t>(written);
        } else if (written < 0 && errno == EAGAIN) {
            pollfd room{output, POLLOUT, 0};
            poll(&room, 1, -1);
        } else if (written == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool FlushConsoleOutput() {
    const size_t gathered = static_cast<size_t>(g_gathered);
    if (gathered == 0) return true;
    g_writingBlock = 1;
    const bool written = WriteAll(g_block, gathered);
    g_gathered = 0;  // a console that refuses output loses the block, not the program
    g_writingBlock = 0;
    return written;
}

void FlushConsoleOutputAtEnd() {
    if (g_writingBlock) return;
    const int savedErrno = errno;
    FlushConsoleOutput();
    errno = savedErrno;
}

bool ConsoleOutputByte(unsigned char byte) {
    if (g_block == nullptr) g_block = static_cast<unsigned char*>(MapOwnPages(kBlockSize));
    if (g_block == nullptr) return WriteAll(&byte, 1);  // no memory for a block: unbuffered
    bool written = true;
    const size_t gathered = static_cast<size_t>(g_gathered);
    if (gathered == kBlockSize) written = FlushConsoleOutput();  // its write sets the console up
    // Setting the console up is what sends a block out before every wait
    // and at exit; once a block is enough.
    if (gathered == 0) Console();
    g_block[g_gathered] = byte;
    g_gathered = g_gathered + 1;
    return written;
}

bool ConsoleOutputText(const char* text, size_t size) {
    const bool flushed = FlushConsoleOutput();
    return WriteAll(reinterpret_cast<const unsigned char*>(text), size) && flushed;
}
