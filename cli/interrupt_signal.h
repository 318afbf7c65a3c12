// Ctrl+C, SIGTERM, SIGHUP and SIGPIPE as a request to cancel: the signal only
// raises a flag, which the terminal host reads at the run's next progress
// point and every wait reads within a tenth of a second, so a run stopped by
// any of them cleans up like a cancelled one. SIGPIPE comes when standard
// output or standard error leads into a pipe whose reader has gone.
#pragma once

// Routes SIGINT, SIGTERM, SIGHUP and SIGPIPE to the flag from now on. A
// system call they interrupt is not restarted: a wait that no data will ever
// end (a FIFO without a writer, a pipe nobody reads) returns to be looked at.
void InstallInterruptHandler();
bool WasInterrupted();
// The first of those signals that arrived, or 0. A program that stops for it
// exits with 128 + the signal's number, as shells report it.
int InterruptSignal();
