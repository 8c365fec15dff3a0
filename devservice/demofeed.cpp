#include "devservice/demofeed.h"

#include "devservice/listboard.h"

#include <chrono>
#include <ctime>
#include <random>

void DemoFeed::start()
{
    if (thread_.joinable())
        return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void DemoFeed::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::string DemoFeed::today()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

void DemoFeed::run()
{
    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<int> pause(40, 70);
    std::unique_lock lock(mutex_);
    for (;;) {
        auto wait = std::chrono::seconds(pause(rng));
        if (wake_.wait_for(lock, wait, [this] { return stopping_; }))
            return;
        board_.demoStep(rng, today());
    }
}
