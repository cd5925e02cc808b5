#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tavrel::test {

// Names a parameterized test after its row's `name` field.
struct RowName {
    std::string operator()(const auto& row) const { return row.param.name; }
};

}  // namespace tavrel::test
