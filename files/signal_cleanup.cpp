#include "files/signal_cleanup.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

namespace tavrel {

namespace {

// Fixed slots, so that the handler reads them without locks or allocation.
constexpr int kSlots = 64;
std::atomic<const char*> temporaryPaths[kSlots];

static_assert(std::atomic<const char*>::is_always_lock_free);

extern "C" void RemoveTemporariesAndDie(int signalNumber)
{
    for (std::atomic<const char*>& slot : temporaryPaths) {
        if (const char* path = slot.load())
            unlink(path);
    }
    // The signal stays blocked until the handler returns, then ends the
    // program with its default action.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

}  // namespace

void InstallSignalCleanup()
{
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndDie;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&action.sa_mask, signalNumber);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the program was started to ignore (nohup) stays ignored.
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaction(signalNumber, &action, nullptr);
    }
}

CleanupRegistration::CleanupRegistration(const char* path) : slot_(-1)
{
    for (int slot = 0; slot < kSlots && slot_ < 0; ++slot) {
        const char* empty = nullptr;
        if (temporaryPaths[slot].compare_exchange_strong(empty, path))
            slot_ = slot;
    }
}

CleanupRegistration::~CleanupRegistration()
{
    if (slot_ >= 0)
        temporaryPaths[slot_].store(nullptr);
}

}  // namespace tavrel
