// Event pumping for the GUI tests, which run inside the application's event
// loop and must let timers, paints and input through while they wait.
#pragma once

#include <functional>

// Dispatches everything waiting (timers, paints, input) without waiting.
void PumpEvents();
// Pumps events until condition holds or timeoutMs has passed; the result is
// the condition's last value. The deadline is generous, for a machine busy
// with other work: only a failing check waits that long.
constexpr int kPatienceMs = 15000;
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kPatienceMs);
// Pumps events for milliseconds.
void PumpFor(int milliseconds);
