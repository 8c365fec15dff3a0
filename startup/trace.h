#pragma once
// In builds made for the end-to-end tests (ZV_TEST_TRACE), seam events such as a sound request
// or an address handed to the default browser are appended to trace.log beside config.ini, one
// line each: "<kind>\t<detail>". In every other build this does nothing.
//
// Traced builds also keep the benchmark's start-up timeline: when ZV_TEST_TIMELINE names a file,
// each step of the start is appended to it as "<step>\t<milliseconds since the epoch>\t<the
// user-interface thread's processor time in ms>" (the last where the system says it), from
// main() entered to the member page loaded. No test sets it, so no test's trace.log changes.
#include <QString>

namespace Trace
{
void event(const QString& kind, const QString& detail);
bool enabled();
// In traced builds only: the whole number of milliseconds in the environment variable `name`, when
// it is one above zero; otherwise `fallback`. Lets the tests and the benchmark shorten timers.
int intervalMs(const char* name, int fallback);
// In traced builds with ZV_TEST_TIMELINE set only: the start has reached `step`, now (each step
// is written the first time only).
void step(const char* step);
} // namespace Trace
