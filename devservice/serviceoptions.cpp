#include "devservice/serviceoptions.h"

#include "zvconfig.h"

#include <arpa/inet.h>
#include <charconv>

std::optional<ServiceOptions::Address> ServiceOptions::parseUrl(const std::string& url,
                                                                std::string& error)
{
    const std::string scheme = "http://";
    std::string rest = url;
    if (rest.compare(0, scheme.size(), scheme) != 0) {
        error = "\"" + url + "\" is not an http:// address";
        return std::nullopt;
    }
    rest.erase(0, scheme.size());
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    size_t colon = rest.rfind(':');
    if (colon == std::string::npos || rest.find('/') != std::string::npos) {
        error = "\"" + url + "\" must have the form http://HOST:PORT";
        return std::nullopt;
    }
    Address address;
    address.host = rest.substr(0, colon);
    std::string portText = rest.substr(colon + 1);
    auto [end, ec] =
        std::from_chars(portText.data(), portText.data() + portText.size(), address.port);
    if (portText.empty() || ec != std::errc() || end != portText.data() + portText.size() ||
        address.port < 1 || address.port > 65535) {
        error = "\"" + url + "\" has no valid port";
        return std::nullopt;
    }
    if (address.host == "localhost")
        address.host = "127.0.0.1";
    in_addr addr{};
    if (inet_pton(AF_INET, address.host.c_str(), &addr) != 1) {
        error = "\"" + url + "\": the host must be an IPv4 address";
        return std::nullopt;
    }
    if ((ntohl(addr.s_addr) >> 24) != 127) {
        error = "\"" + url + "\": only loopback addresses (127.0.0.0/8) are served";
        return std::nullopt;
    }
    return address;
}

std::optional<ServiceOptions> ServiceOptions::parse(const std::vector<std::string>& args,
                                                    std::string& error)
{
    ServiceOptions options;
    std::optional<std::string> infoUrl;
    std::optional<std::string> foreignUrl;
    std::vector<std::string> listenUrls;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--listen") {
            if (!value(text))
                return std::nullopt;
            listenUrls.push_back(text);
        } else if (arg == "--info") {
            if (!value(text))
                return std::nullopt;
            infoUrl = text;
        } else if (arg == "--foreign") {
            if (!value(text))
                return std::nullopt;
            foreignUrl = text;
        } else if (arg == "--require-session") {
            options.requireSession = true;
        } else if (arg == "--log") {
            if (!value(options.logFile))
                return std::nullopt;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            error = "unknown argument \"" + arg + "\"";
            return std::nullopt;
        }
    }
    if (listenUrls.empty())
        listenUrls = {ZV_LINE0_URL, ZV_LINE1_URL, ZV_LINE2_URL, ZV_LINE3_URL};
    for (const std::string& url : listenUrls) {
        auto address = parseUrl(url, error);
        if (!address)
            return std::nullopt;
        options.listen.push_back(*address);
    }
    auto info = parseUrl(infoUrl.value_or(ZV_INFO_SITE_URL), error);
    if (!info)
        return std::nullopt;
    options.info = *info;
    auto foreign = parseUrl(
        foreignUrl.value_or("http://127.0.0.9:" + std::to_string(options.listen.front().port)),
        error);
    if (!foreign)
        return std::nullopt;
    options.foreign = *foreign;

    std::vector<Address> all = options.listen;
    all.push_back(options.info);
    all.push_back(options.foreign);
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (all[i].host == all[j].host && all[i].port == all[j].port) {
                error = all[i].url() + " is given twice";
                return std::nullopt;
            }
        }
    }
    return options;
}

std::string ServiceOptions::usage()
{
    return "usage: zv-devservice [--listen URL]... [--info URL] [--foreign URL] [--demo]\n"
           "                     [--require-session] [--log FILE]\n"
           "  --listen URL       serve the member pages and lists here (repeatable;\n"
           "                     default: the build's four line addresses)\n"
           "  --info URL         serve the information site here (default: " ZV_INFO_SITE_URL ")\n"
           "  --foreign URL      serve another site of the member page's shape here\n"
           "                     (default: 127.0.0.9 at the first line's port)\n"
           "  --demo             the lists change over time\n"
           "  --require-session  the lists answer only requests that carry the session cookie\n"
           "                     the member page sets\n"
           "  --log FILE         also append the request log to FILE\n";
}
