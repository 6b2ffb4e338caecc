// A recording fake of the communications calls in platform/comm.h: results
// are scripted and what reaches the device is kept. A call on a handle that
// is not open, or a read that would wait for the line, counts as a fault.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/comm.h"

inline bool operator==(const DCB& a, const DCB& b) { return std::memcmp(&a, &b, sizeof(DCB)) == 0; }

namespace fake {

struct State {
    bool createFails = false, getStateFails = false, setStateFails = false, readFails = false;
    DCB reported{};          // what GetCommState reports; Reset fills it
    std::deque<BYTE> queue;  // bytes the device holds
    BYTE arriving = 0;       // queued after arriveAfterSleeps sleeps
    size_t arriveAfterSleeps = 0;
    bool errorPending = false;  // after a failed read, until ClearCommError
    std::string name;           // the device last opened
    DCB written{};              // the record last applied
    std::vector<DWORD> purges, sleeps;
    std::vector<BYTE> sent;
    int open = 0, faults = 0;  // handles open; faulty calls
};
extern State g;

void Reset();

class Test : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        EXPECT_EQ(g.open, 0) << "device handle left open";
        EXPECT_EQ(g.faults, 0) << "a call on a closed handle, or a read that would wait";
    }
};

}  // namespace fake
