#include "batch/interruption.hpp"

#include <csignal>

namespace velmor::batch {

namespace {

// A signal handler can reach nothing but a global; this one pointer is set
// once, before the handlers are installed, and only read afterwards.
InterruptFlag* handlerFlag = nullptr;

extern "C" void RecordInterrupt(int signal) {
    if (handlerFlag) handlerFlag->raise(signal);
}

}  // namespace

void InstallInterruptHandlers(InterruptFlag& flag) {
    handlerFlag = &flag;
    struct sigaction action {};
    action.sa_handler = RecordInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: blocked writes return with EINTR
    for (const int signal : {SIGINT, SIGTERM}) {
        // A shell starts background jobs with SIGINT ignored, so that the
        // terminal's Ctrl-C reaches only the foreground; keep it that way.
        struct sigaction inherited {};
        if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

int InterruptedExitCode(int signal) {
    return 128 + signal;
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        default:
            return "a signal";
    }
}

std::string StoppedBy(const InterruptFlag& flag) {
    return std::string("stopped by ") + SignalName(flag.signal());
}

}  // namespace velmor::batch
