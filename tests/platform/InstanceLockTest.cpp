#include "platform/linux/FlockInstanceLock.h"

#include "platform/ScratchFolder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::FakeEnvironment;
using test::ScratchFolder;

TEST(FlockInstanceLock, HolderBlocksOthersUntilReleased) {
    ScratchFolder scratch;
    fs::path file = scratch / "avl.lock";
    FlockInstanceLock first(file), second(file);

    EXPECT_FALSE(second.HeldElsewhere());
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.HeldHere());
    EXPECT_TRUE(first.Acquire()); // taking it again is harmless
    EXPECT_FALSE(first.HeldElsewhere());
    EXPECT_TRUE(second.HeldElsewhere());
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.HeldHere());

    first.Release();
    first.Release();
    EXPECT_FALSE(first.HeldHere());
    EXPECT_FALSE(second.HeldElsewhere());
    EXPECT_TRUE(second.Acquire());
    EXPECT_TRUE(first.HeldElsewhere());
}

TEST(FlockInstanceLock, LockHeldByAnotherProcessDiesWithIt) {
    ScratchFolder scratch;
    fs::path file = scratch / "avl.lock";
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FlockInstanceLock lock(file);
        char held = lock.Acquire() ? 'y' : 'n';
        (void)!::write(toParent[1], &held, 1);
        char go;
        (void)!::read(toChild[0], &go, 1);
        ::_exit(0); // ends without releasing, as a crash would
    }
    char held = 0;
    ASSERT_EQ(::read(toParent[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');

    FlockInstanceLock lock(file);
    EXPECT_TRUE(lock.HeldElsewhere());
    EXPECT_FALSE(lock.Acquire());

    (void)!::write(toChild[1], "g", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
    EXPECT_FALSE(lock.HeldElsewhere());
    EXPECT_TRUE(lock.Acquire());
}

TEST(FlockInstanceLock, RefusesALockFileThatIsASymbolicLink) {
    ScratchFolder scratch;
    test::WriteFile(scratch / "victim", "keep");
    fs::create_symlink(scratch / "victim", scratch / "avl.lock");
    FlockInstanceLock lock(scratch / "avl.lock");
    EXPECT_FALSE(lock.Acquire());
    EXPECT_FALSE(lock.HeldHere());
}

TEST(FlockInstanceLock, DefaultPathIsInTheRuntimeFolderElsePerUserInTmp) {
    EXPECT_EQ(FlockInstanceLock::DefaultAvlLockPath(
                  FakeEnvironment({{"XDG_RUNTIME_DIR", "/run/user/1000"}})),
              fs::path("/run/user/1000/zelvan-avl-running.lock"));
    EXPECT_EQ(FlockInstanceLock::DefaultAvlLockPath(FakeEnvironment({})),
              fs::path("/tmp/zelvan-avl-running-" + std::to_string(::getuid()) + ".lock"));
}

} // namespace
} // namespace zv
