// Serving the user interface from inside long work on its own thread.
#pragma once

// Dispatches everything waiting (timers, repaints, clicks, queued calls) and
// returns as soon as nothing is left; never waits. Safe to call from inside
// an event handler, a modal window's included. Returns 0.
int PumpWaitingMessages();
