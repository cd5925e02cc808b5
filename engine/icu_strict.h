#pragma once

#include <unicode/ucnv.h>

#include <memory>

namespace tavrel {

struct IcuConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using IcuConverter = std::unique_ptr<UConverter, IcuConverterCloser>;

// An ICU converter that stops at the first illegal, unmappable or truncated
// sequence in either direction. ICU's own stop callback is not used because
// on encoding it silently skips default-ignorable characters such as U+200B.
// Throws std::runtime_error when ICU lacks the converter.
IcuConverter OpenStrictConverter(const char* name);

}  // namespace tavrel
