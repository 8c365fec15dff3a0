#pragma once
// The service's command line.
#include <optional>
#include <string>
#include <vector>

class ServiceOptions
{
public:
    struct Address {
        std::string host; // dotted IPv4 loopback address
        int port = 0;
        std::string url() const { return "http://" + host + ":" + std::to_string(port); }
    };

    std::vector<Address> listen; // the service's line hosts
    Address info;                // the information site
    Address foreign;             // another site with the member page's shape and login form
    bool demo = false;
    bool requireSession = false; // lists answer only requests with the member page's cookie
    std::string logFile;
    bool help = false;

    // Parses the arguments after the program name. Defaults: the build's four line URLs, its
    // information site, and the foreign site on 127.0.0.9 at the first line's port. On an error
    // returns nothing and says why.
    static std::optional<ServiceOptions> parse(const std::vector<std::string>& args,
                                               std::string& error);
    // "http://127.0.0.2:18062" (a trailing "/" allowed; "localhost" means 127.0.0.1). Only
    // loopback addresses (127.0.0.0/8) are accepted.
    static std::optional<Address> parseUrl(const std::string& url, std::string& error);

    static std::string usage();
};
