#include "devservice/requestlog.h"

#include "devservice/jsontext.h"

#include <algorithm>
#include <strings.h>

RequestLog::~RequestLog()
{
    if (file_)
        std::fclose(file_);
}

bool RequestLog::openFile(const std::string& path)
{
    std::lock_guard lock(mutex_);
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f)
        return false;
    if (file_)
        std::fclose(file_);
    file_ = f;
    return true;
}

void RequestLog::add(Entry entry)
{
    std::lock_guard lock(mutex_);
    entry.seq = ++lastSeq_;
    if (file_) {
        std::string line = toJson(entry) + "\n";
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }
    entries_.push_back(std::move(entry));
    while (entries_.size() > maxEntries)
        entries_.pop_front();
}

void RequestLog::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}

std::string RequestLog::jsonLines(long long afterSeq) const
{
    std::lock_guard lock(mutex_);
    std::string out;
    for (const Entry& entry : entries_) {
        if (entry.seq > afterSeq) {
            out += toJson(entry);
            out += '\n';
        }
    }
    return out;
}

std::string RequestLog::toJson(const Entry& entry)
{
    std::string out =
        "{\"seq\":" + std::to_string(entry.seq) + ",\"time_ms\":" + std::to_string(entry.timeMs) +
        ",\"method\":" + JsonText::quote(entry.method) +
        ",\"host\":" + JsonText::quote(entry.host) + ",\"path\":" + JsonText::quote(entry.path) +
        ",\"query\":" + JsonText::quote(entry.query) + ",\"headers\":{";
    // A header sent more than once becomes one member, its values joined as HTTP allows.
    std::vector<std::pair<std::string, std::string>> merged;
    for (const auto& [name, value] : entry.headers) {
        auto same = [&key = name](const auto& h) {
            return strcasecmp(h.first.c_str(), key.c_str()) == 0;
        };
        auto it = std::find_if(merged.begin(), merged.end(), same);
        if (it == merged.end())
            merged.emplace_back(name, value);
        else
            it->second += ", " + value;
    }
    for (size_t i = 0; i < merged.size(); ++i) {
        if (i > 0)
            out += ',';
        out += JsonText::quote(merged[i].first) + ":" + JsonText::quote(merged[i].second);
    }
    out += "},";
    if (JsonText::isValidUtf8(entry.body))
        out += "\"body\":" + JsonText::quote(entry.body);
    else
        out += "\"body_base64\":\"" + JsonText::base64(entry.body) + "\"";
    out += '}';
    return out;
}
