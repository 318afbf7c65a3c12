// Ctrl+C, SIGTERM, SIGHUP and SIGPIPE each only raise the cancel flag, and the first
// one is remembered for the exit status. Each case runs in a child process,
// since the flag belongs to the whole process.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "cli/interrupt_signal.h"

namespace {

// Exits with the remembered signal's number, or 99 when the flag stayed down.
[[noreturn]] void RaiseAndReport(std::initializer_list<int> signals)
{
    InstallInterruptHandler();
    for (const int signal : signals)
        std::raise(signal);
    std::exit(WasInterrupted() ? InterruptSignal() : 99);
}

}  // namespace

TEST(InterruptSignal, EachCancellingSignalRaisesTheFlagInsteadOfEndingTheProgram)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        EXPECT_EXIT(RaiseAndReport({signal}), ::testing::ExitedWithCode(signal), "") << signal;
}

TEST(InterruptSignal, TheFirstSignalIsTheOneRemembered)
{
    EXPECT_EXIT(RaiseAndReport({SIGTERM, SIGINT}), ::testing::ExitedWithCode(SIGTERM), "");
}

// Without SA_RESTART a signal ends a wait that would otherwise never end: a
// read of a pipe that no one writes to returns EINTR.
TEST(InterruptSignal, ASignalEndsABlockedReadInsteadOfRestartingIt)
{
    EXPECT_EXIT(
        {
            InstallInterruptHandler();
            int fds[2];
            if (pipe(fds) != 0)
                std::exit(98);
            const pthread_t reader = pthread_self();
            std::thread sender([reader] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                pthread_kill(reader, SIGINT);
            });
            char byte = 0;
            const ssize_t got = read(fds[0], &byte, 1);
            const bool interrupted = got < 0 && errno == EINTR && WasInterrupted();
            sender.join();
            std::exit(interrupted ? 0 : 97);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(InterruptSignal, NothingIsRaisedUntilASignalArrives)
{
    InstallInterruptHandler();
    EXPECT_FALSE(WasInterrupted());
    EXPECT_EQ(InterruptSignal(), 0);
}
