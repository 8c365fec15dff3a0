#pragma once
// The page fetch's bounds for one test, put back when it ends, pass or fail.
#include "net/pagefetch.h"

// The page fetch's time and size bounds.
class ScopedFetchLimits
{
public:
    explicit ScopedFetchLimits(const FetchLimits& limits) : saved_(defaultFetchLimits())
    {
        setDefaultFetchLimits(limits);
    }
    ~ScopedFetchLimits() { setDefaultFetchLimits(saved_); }
    ScopedFetchLimits(const ScopedFetchLimits&) = delete;
    ScopedFetchLimits& operator=(const ScopedFetchLimits&) = delete;

private:
    FetchLimits saved_;
};
