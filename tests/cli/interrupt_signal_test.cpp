// Ctrl+C, SIGTERM and SIGHUP each only raise the cancel flag, and the first
// one is remembered for the exit status. Each case runs in a child process,
// since the flag belongs to the whole process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

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
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        EXPECT_EXIT(RaiseAndReport({signal}), ::testing::ExitedWithCode(signal), "") << signal;
}

TEST(InterruptSignal, TheFirstSignalIsTheOneRemembered)
{
    EXPECT_EXIT(RaiseAndReport({SIGTERM, SIGINT}), ::testing::ExitedWithCode(SIGTERM), "");
}

TEST(InterruptSignal, NothingIsRaisedUntilASignalArrives)
{
    InstallInterruptHandler();
    EXPECT_FALSE(WasInterrupted());
    EXPECT_EQ(InterruptSignal(), 0);
}
