// replace_driver TARGET BLOCK...
//
// Writes the BLOCKs to TARGET through a Replacement, one Write call each, and
// commits. A BLOCK "SIGTERM" or "SIGKILL" instead sends the program that
// signal. On failure prints the error message and exits 1.
#include "files/replace.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <string_view>

int main(int argc, char** argv)
{
    tavrel::platform::InstallInterruptCleanup();
    try {
        tavrel::Replacement replacement(argv[1]);
        for (int block = 2; block < argc; ++block) {
            if (std::string_view(argv[block]) == "SIGTERM")
                std::raise(SIGTERM);
            else if (std::string_view(argv[block]) == "SIGKILL")
                std::raise(SIGKILL);
            else
                replacement.Write(argv[block]);
        }
        replacement.Commit();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
