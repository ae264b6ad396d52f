#pragma once

// Tables of named cases: each case shows its `name` in test names (through
// CaseName) and in failure messages (through a PrintTo of its own).
#include <gtest/gtest.h>

#include <string>

struct CaseName
{
    template <typename Case>
    std::string operator()(const testing::TestParamInfo<Case>& info) const
    {
        return info.param.name;
    }
};
