#pragma once
// The demo's moving lists: every 40 to 70 seconds a new item in some message category and a
// new series entry.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class ListBoard;

class DemoFeed
{
public:
    explicit DemoFeed(ListBoard& board) : board_(board) {}
    ~DemoFeed() { stop(); }
    DemoFeed(const DemoFeed&) = delete;
    DemoFeed& operator=(const DemoFeed&) = delete;

    void start();
    void stop();

    static std::string today();

private:
    void run();

    ListBoard& board_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};
