// zv-devservice: plays the stock-information service on loopback for the demo and the tests.
#include "devservice/devservice.h"
#include "devservice/serviceoptions.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ServiceOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "zv-devservice: %s\n%s", error.c_str(),
                     ServiceOptions::usage().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(ServiceOptions::usage().c_str(), stdout);
        return 0;
    }

    // A client that goes away mid-answer must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    // SIGTERM and SIGINT are taken by this thread alone; every other thread starts with them
    // blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DevService service(*options);
    if (!service.bind(error, [](const std::string& url) {
            std::printf("listening on %s\n", url.c_str());
            std::fflush(stdout);
        })) {
        std::fprintf(stderr, "zv-devservice: %s\n", error.c_str());
        return 1;
    }
    service.start();

    int signal = 0;
    sigwait(&stopSignals, &signal);
    service.stop();
    std::fprintf(stderr, "zv-devservice: stopped\n");
    return 0;
}
