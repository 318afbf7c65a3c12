#include "cli/interrupt_signal.h"

#include <csignal>

namespace {

constexpr int kCancellingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

volatile std::sig_atomic_t g_nSignal = 0;

extern "C" void OnInterrupt(int signal)
{
    if (g_nSignal == 0)
        g_nSignal = signal;
}

}  // namespace

void InstallInterruptHandler()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : kCancellingSignals)
        sigaction(signal, &action, nullptr);
}

bool WasInterrupted()
{
    return g_nSignal != 0;
}

int InterruptSignal()
{
    return g_nSignal;
}
