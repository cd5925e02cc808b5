#pragma once

namespace tavrel {

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove every temporary
// file a Replacement is writing and then end the program with that signal's
// usual status.
void InstallSignalCleanup();

// Keeps a temporary file's path in the process-wide list the signal handlers
// remove, from construction to destruction. The path must stay unchanged and
// alive as long as the registration. When every slot is taken the file is
// simply not removed on a signal.
class CleanupRegistration {
public:
    explicit CleanupRegistration(const char* path);
    ~CleanupRegistration();
    CleanupRegistration(const CleanupRegistration&) = delete;
    CleanupRegistration& operator=(const CleanupRegistration&) = delete;

private:
    int slot_;
};

}  // namespace tavrel
