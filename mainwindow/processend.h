#pragma once
// Ending the process at once: no unload events, nothing saved. The browser engine's helper
// processes are ended first so that none of them outlives the program.
#include <functional>
#include <vector>

namespace ProcessEnd
{

// Ends the process (exit code 0). With a test handler installed, calls it and returns instead.
void now();

// Process ids of every descendant of this process, children first.
std::vector<int> descendants();

// Tests replace the ending; an empty handler restores it.
void setHandlerForTesting(std::function<void()> handler);

} // namespace ProcessEnd
