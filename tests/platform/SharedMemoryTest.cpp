// Named shared memory across processes: seen by a second process, gone with its last user,
// fresh again after a user that crashed; and the cross-process mutex.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/SharedMemory.h"
#include "support/ChildProcess.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace ovilux::platform;
using ovilux::test::RegisterChildRole;
using ovilux::test::RunChild;

namespace {

constexpr size_t kBlockSize = 8584;

std::string UniqueName(const char* what) {
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return std::string("ovilux-test-") + what + "-" + std::to_string(pid);
}

// Child: opens the block, checks the parent's text, writes its own reply, closes.
const bool kReplyRole = RegisterChildRole("shm-reply", [](const std::vector<std::string>& args) {
    SharedMemory block;
    if (block.Open(args.at(0).c_str(), kBlockSize) != SharedMemory::OpenResult::Opened) {
        return 1;
    }
    char* data = static_cast<char*>(block.Data());
    if (std::strcmp(data, "from parent") != 0) {
        return 2;
    }
    std::strcpy(data + 4096, "from child");
    return 0;
});

// Child: opens the block, writes into it and dies without closing anything.
const bool kCrashRole = RegisterChildRole("shm-crash", [](const std::vector<std::string>& args) {
    SharedMemory block;
    if (block.Open(args.at(0).c_str(), kBlockSize) == SharedMemory::OpenResult::Failed) {
        return 1;
    }
    std::strcpy(static_cast<char*>(block.Data()), "left behind");
    std::_Exit(7);
});

// Child: tries the mutex with a short timeout; exit 0 when it got it, 1 when not.
const bool kMutexRole = RegisterChildRole("mutex-try", [](const std::vector<std::string>& args) {
    InterProcessMutex mutex(args.at(0).c_str());
    if (!mutex.Lock(100)) {
        return 1;
    }
    mutex.Unlock();
    return 0;
});

}  // namespace

TEST(SharedMemory, SecondProcessSeesTheSameBlock) {
    ASSERT_TRUE(kReplyRole);
    const std::string name = UniqueName("shared");
    SharedMemory block;
    ASSERT_EQ(block.Open(name.c_str(), kBlockSize), SharedMemory::OpenResult::Created);
    EXPECT_TRUE(block.Created());
    EXPECT_EQ(block.Size(), kBlockSize);
    char* data = static_cast<char*>(block.Data());
    std::strcpy(data, "from parent");
    ASSERT_EQ(RunChild("shm-reply", {name}), 0);
    EXPECT_STREQ(data + 4096, "from child");
}

TEST(SharedMemory, GoneAfterLastCloseAndFreshAfterACrashedUser) {
    ASSERT_TRUE(kCrashRole);
    const std::string name = UniqueName("lifetime");
    {
        SharedMemory block;
        ASSERT_EQ(block.Open(name.c_str(), kBlockSize), SharedMemory::OpenResult::Created);
        std::strcpy(static_cast<char*>(block.Data()), "old contents");
        SharedMemory second;
        ASSERT_EQ(second.Open(name.c_str(), kBlockSize), SharedMemory::OpenResult::Opened);
        EXPECT_FALSE(second.Created());
        EXPECT_STREQ(static_cast<char*>(second.Data()), "old contents");
    }
    SharedMemory reopened;
    ASSERT_EQ(reopened.Open(name.c_str(), kBlockSize), SharedMemory::OpenResult::Created);
    EXPECT_EQ(static_cast<char*>(reopened.Data())[0], 0) << "the last close must have removed the block";
    reopened.Close();

    ASSERT_EQ(RunChild("shm-crash", {name}), 7);
    SharedMemory afterCrash;
    ASSERT_EQ(afterCrash.Open(name.c_str(), kBlockSize), SharedMemory::OpenResult::Created);
    EXPECT_EQ(static_cast<char*>(afterCrash.Data())[0], 0);
}

TEST(SharedMemory, RefusesBadArgumentsAndSmallerExistingBlocks) {
    SharedMemory block;
    EXPECT_EQ(block.Open(nullptr, 16), SharedMemory::OpenResult::Failed);
    EXPECT_EQ(block.Open("", 16), SharedMemory::OpenResult::Failed);
    EXPECT_EQ(block.Open("ovilux-test-zero", 0), SharedMemory::OpenResult::Failed);
    EXPECT_FALSE(block.IsOpen());
    EXPECT_EQ(block.Data(), nullptr);
}

#ifndef _WIN32
TEST(SharedMemory, PosixObjectIsPerUserAndPrivate) {
    const std::string name = UniqueName("private");
    SharedMemory block;
    ASSERT_EQ(block.Open(name.c_str(), kBlockSize), SharedMemory::OpenResult::Created);
    const std::string path = "/dev/shm/ovilux-" + std::to_string(geteuid()) + "-" + name;
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0) << path;
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_uid, geteuid());
    block.Close();
    EXPECT_NE(stat(path.c_str(), &info), 0) << "removed with its last user";
}
#endif

TEST(InterProcessMutex, ExcludesOtherProcessesUntilUnlocked) {
    ASSERT_TRUE(kMutexRole);
    const std::string name = UniqueName("mutex");
    InterProcessMutex mutex(name.c_str());
    ASSERT_TRUE(mutex.IsValid());
    ASSERT_TRUE(mutex.Lock(1000));
    EXPECT_EQ(RunChild("mutex-try", {name}), 1);
    mutex.Unlock();
    EXPECT_EQ(RunChild("mutex-try", {name}), 0);
}
