#pragma once
// Terminal interrupts (SIGINT, SIGTERM) as the stop command: the first one asks the running job to
// stop, through the handler the command has set, so that nothing is left half written, cookies
// are saved and the summary is printed; a second one ends the process at once.

#include <functional>

namespace Interrupts {

// Blocks both signals for the calling thread and every thread started after it, and starts the
// thread that waits for them. Call first in main, before any other thread exists.
void Install();
// What the first signal does (called on the waiting thread); an empty handler does nothing.
void SetStopHandler(std::function<void()> handler);
// 0 while no signal came; else the exit status it asks for: 130 for SIGINT, 143 for SIGTERM.
int ExitStatus();

}  // namespace Interrupts
