// The base library's fork handlers: run around every fork, in order, and a
// lock that another thread held at the fork is free in the child once
// renewed.
#include <Bsc/AtFork.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string s_steps;

void prepareA() { s_steps += "pA "; }
void prepareB() { s_steps += "pB "; }
void parentA() { s_steps += "a "; }
void parentB() { s_steps += "b "; }
void childA() { s_steps += "cA "; }
void childB() { s_steps += "cB "; }

std::mutex& heldElsewhere()
{
    static std::mutex mutex;
    return mutex;
}

const bool s_added = Bsc::onFork(&prepareA, &parentA, &childA) && Bsc::onFork(&prepareB, &parentB, &childB)
                     && Bsc::onFork(nullptr, nullptr, [] { Bsc::renewLock(heldElsewhere()); });

// The child's status: 0 when `check` holds there.
template <typename Check>
int inChild(Check check)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(check() ? 0 : 1);
    int status = -1;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

TEST(AtFork, PreparesRunLatestFirstAndTheOthersEarliestFirst)
{
    ASSERT_TRUE(s_added);
    s_steps.clear();
    const int status = inChild([] { return s_steps == "pB pA cA cB "; });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(s_steps, "pB pA a b ");
}

TEST(AtFork, ALockThatAnotherThreadHeldIsFreeInTheChild)
{
    std::mutex signal;
    std::condition_variable changed;
    bool holding = false, release = false;
    std::thread holder([&] {
        const std::lock_guard<std::mutex> held(heldElsewhere());
        std::unique_lock<std::mutex> lock(signal);
        holding = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
    });
    {
        std::unique_lock<std::mutex> lock(signal);
        changed.wait(lock, [&] { return holding; });
    }
    EXPECT_EQ(inChild([] { return heldElsewhere().try_lock(); }), 0);
    {
        const std::lock_guard<std::mutex> lock(signal);
        release = true;
    }
    changed.notify_all();
    holder.join();
}
