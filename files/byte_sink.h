#pragma once

#include "files/platform.h"

#include <filesystem>
#include <string_view>

namespace tavrel {

// Where converted bytes go, in order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Throws FileError naming the destination.
    virtual void Write(std::string_view bytes) = 0;
};

// An open stream (standard output), written whole block by block as a shell
// redirection writes it; `name` is what messages call it.
class StreamSink : public ByteSink {
public:
    StreamSink(platform::File file, std::filesystem::path name) : file_(std::move(file)), name_(std::move(name)) {}
    void Write(std::string_view bytes) override { platform::WriteAll(file_, bytes, name_); }

private:
    platform::File file_;
    std::filesystem::path name_;
};

}  // namespace tavrel
