#pragma once
// In builds made for the end-to-end tests (ZV_TEST_TRACE), seam events such as a sound request
// or an address handed to the default browser are appended to trace.log beside config.ini, one
// line each: "<kind>\t<detail>". In every other build this does nothing.
#include <QString>

namespace Trace
{
void event(const QString& kind, const QString& detail);
bool enabled();
// In traced builds only: the whole number of milliseconds in the environment variable `name`, when
// it is one above zero; otherwise `fallback`. Lets the tests and the benchmark shorten timers.
int intervalMs(const char* name, int fallback);
} // namespace Trace
