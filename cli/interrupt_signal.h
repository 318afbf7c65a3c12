// Ctrl+C as a request to cancel: the signal only raises a flag, which the
// terminal host reads at the run's next progress point.
#pragma once

// Routes SIGINT to the flag from now on.
void InstallInterruptHandler();
bool WasInterrupted();
