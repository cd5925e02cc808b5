#pragma once

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

// An open descriptor (standard output, an unnamed temporary file), written
// whole block by block as a shell redirection writes it; `name` is what
// messages call it. The descriptor stays open.
class DescriptorSink : public ByteSink {
public:
    DescriptorSink(int descriptor, std::filesystem::path name) : descriptor_(descriptor), name_(std::move(name)) {}
    void Write(std::string_view bytes) override;

private:
    int descriptor_;
    std::filesystem::path name_;
};

}  // namespace tavrel
