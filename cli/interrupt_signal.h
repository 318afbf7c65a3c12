// Ctrl+C, SIGTERM and SIGHUP as a request to cancel: the signal only raises a
// flag, which the terminal host reads at the run's next progress point, so a
// run stopped by any of them cleans up like a cancelled one.
#pragma once

// Routes SIGINT, SIGTERM and SIGHUP to the flag from now on.
void InstallInterruptHandler();
bool WasInterrupted();
// The first of those signals that arrived, or 0. A program that stops for it
// exits with 128 + the signal's number, as shells report it.
int InterruptSignal();
