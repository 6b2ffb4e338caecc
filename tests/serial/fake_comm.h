// Recording fake of the communications calls in platform/comm.h: results are
// scripted and every call is logged in fake::g; Sleep only records.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/comm.h"

inline bool operator==(const DCB& a, const DCB& b) { return std::memcmp(&a, &b, sizeof(DCB)) == 0; }

namespace fake {

struct Call {
    std::string name;
    DWORD value;
};  // value: purge flags, transfer count, sleep ms

struct State {
    bool createFails = false, getStateFails = false, setStateFails = false;
    bool clearErrorFails = false, readFails = false, writeFails = false;
    DCB reported{};              // what GetCommState reports; Reset fills it
    std::deque<BYTE> queue;      // bytes the device holds
    int arriveAfterSleeps = -1;  // `arriving` is queued after this many sleeps
    BYTE arriving = 0;
    std::vector<Call> calls;
    std::string name;  // last CreateFileA arguments
    DWORD access = 0, share = 0, disposition = 0, attributes = 0;
    DCB written{};  // last SetCommState record
    std::vector<BYTE> sent;
    std::vector<HANDLE> open;  // handed out and not yet closed
    int faults = 0;            // calls on a handle that is not open, or with extra arguments
    std::intptr_t nextHandle = 0x100;
};
extern State g;

void Reset();
std::vector<std::string> Names();
std::vector<DWORD> Values(const std::string& name);

class Test : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        EXPECT_TRUE(g.open.empty()) << "device handle left open";
        EXPECT_EQ(g.faults, 0) << "call on a closed handle or with unexpected arguments";
    }
};

}  // namespace fake
