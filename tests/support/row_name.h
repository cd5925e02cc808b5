#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tavrel::test {

// Names a parameterized test after its row's `name` field.
struct RowName {
    template <class Row>
    std::string operator()(const testing::TestParamInfo<Row>& row) const
    {
        return row.param.name;
    }
};

}  // namespace tavrel::test
