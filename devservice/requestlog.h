#pragma once
// The request log behind GET /_dev/log: one JSON object per request, kept in memory (bounded)
// and, when asked, appended to a file as well.
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class RequestLog
{
public:
    struct Entry {
        long long seq = 0;
        long long timeMs = 0; // milliseconds since 1970-01-01 UTC
        std::string method;
        std::string host;
        std::string path;
        std::string query;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
    };

    static constexpr size_t maxEntries = 20000;

    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Also append every entry to this file; false when it cannot be opened.
    bool openFile(const std::string& path);

    // Records the entry under the next sequence number (numbers are never reused).
    void add(Entry entry);
    void clear();
    // The entries with a sequence number above `afterSeq`, one JSON object per line.
    std::string jsonLines(long long afterSeq = 0) const;

    // {"seq":..,"time_ms":..,"method":..,"host":..,"path":..,"query":..,"headers":{..},
    //  "body":..} with "body_base64" in place of "body" when the body is not UTF-8.
    static std::string toJson(const Entry& entry);

private:
    mutable std::mutex mutex_;
    std::deque<Entry> entries_;
    long long lastSeq_ = 0;
    std::FILE* file_ = nullptr;
};
