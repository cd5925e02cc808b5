// replace_driver TARGET TEXT [BLOCKS [SIGNAL_AFTER]]
//
// Writes TEXT to TARGET through a Replacement in BLOCKS Write calls (1 when
// omitted) and commits. With SIGNAL_AFTER, sends itself SIGTERM after that
// many blocks. On failure prints the error message and exits 1.
#include "files/replace.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: replace_driver TARGET TEXT [BLOCKS [SIGNAL_AFTER]]\n");
        return 2;
    }
    tavrel::InstallSignalCleanup();
    const std::string text = argv[2];
    const std::size_t blocks = argc > 3 ? std::stoul(argv[3]) : 1;
    const std::size_t signalAfter = argc > 4 ? std::stoul(argv[4]) : 0;
    const std::size_t blockSize = (text.size() + blocks - 1) / blocks;
    try {
        tavrel::Replacement replacement(argv[1]);
        for (std::size_t block = 0; block < blocks; ++block) {
            const std::size_t start = std::min(text.size(), block * blockSize);
            replacement.Write(std::string_view(text).substr(start, blockSize));
            if (block + 1 == signalAfter)
                kill(getpid(), SIGTERM);
        }
        replacement.Commit();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
