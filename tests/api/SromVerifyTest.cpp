// The verified configuration-memory write against a scripted memory.
#include <gtest/gtest.h>

#include <map>

#include "api/SromVerify.h"

namespace ovilux::api {
namespace {

// A memory whose writes stick only after some attempts and whose reads can fail.
class ScriptedSrom : public SromAccess {
public:
    bool Write(uint16_t address, uint8_t value) override {
        ++writes;
        if (refuseWrites) {
            return false;
        }
        if (writes > writesIgnored) {
            bytes[address] = value;
        }
        return true;
    }
    bool Read(uint16_t address, uint8_t* value) override {
        ++reads;
        if (reads <= readsFailing) {
            return false;
        }
        *value = bytes[address];
        return true;
    }
    void ReadFailed() override { ++failedReads; }

    std::map<uint16_t, uint8_t> bytes;
    bool refuseWrites = false;
    int writesIgnored = 0;  // the first writes are accepted but do not stick
    int readsFailing = 0;
    int writes = 0;
    int reads = 0;
    int failedReads = 0;
};

TEST(SromVerify, AWriteThatSticksIsReadBackOnce) {
    ScriptedSrom srom;
    EXPECT_TRUE(WriteSromVerified(srom, 0x10, 0x77));
    EXPECT_EQ(srom.writes, 1);
    EXPECT_EQ(srom.reads, 1);
    EXPECT_EQ(srom.bytes[0x10], 0x77);
}

TEST(SromVerify, MismatchesAndFailedReadsAreWrittenAgain) {
    ScriptedSrom srom;
    srom.writesIgnored = 2;
    srom.readsFailing = 1;
    EXPECT_TRUE(WriteSromVerified(srom, 0x10, 0x77));
    EXPECT_EQ(srom.writes, 3);
    EXPECT_EQ(srom.failedReads, 1);
}

TEST(SromVerify, AByteThatNeverReadsBackIsAFailure) {
    ScriptedSrom srom;
    srom.writesIgnored = 1000;
    EXPECT_FALSE(WriteSromVerified(srom, 0x10, 0x77));
    EXPECT_EQ(srom.reads, kSromVerifyAttempts);
    EXPECT_EQ(srom.writes, kSromVerifyAttempts);
    ScriptedSrom unreadable;
    unreadable.readsFailing = 1000;
    EXPECT_FALSE(WriteSromVerified(unreadable, 0x10, 0x77));
    EXPECT_EQ(unreadable.failedReads, kSromVerifyAttempts);
}

TEST(SromVerify, ARefusedFirstWriteIsNotRetried) {
    ScriptedSrom srom;
    srom.refuseWrites = true;
    EXPECT_FALSE(WriteSromVerified(srom, 0x10, 0x77));
    EXPECT_EQ(srom.writes, 1);
    EXPECT_EQ(srom.reads, 0);
}

}  // namespace
}  // namespace ovilux::api
