#pragma once

#include "engine/encoding.h"

#include <memory>
#include <string>
#include <string_view>

namespace tavrel {

// Decides the encoding of a whole input from its bytes, fed in order.
class EncodingDetector {
public:
    bool Feed(std::string_view bytes);
    Encoding Result(bool complete = true) const;

private:
    std::string bytes_;
};

Encoding DetectEncoding(std::string_view bytes);

}  // namespace tavrel
