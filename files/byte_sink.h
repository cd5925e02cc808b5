#pragma once

#include <string_view>

namespace tavrel {

// Where converted bytes go, in order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Throws FileError naming the destination.
    virtual void Write(std::string_view bytes) = 0;
};

}  // namespace tavrel
