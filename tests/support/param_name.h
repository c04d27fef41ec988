#pragma once

#include <gtest/gtest.h>

#include <string>

namespace vantrel::test {

// Names the cases of a table-driven test after their `name` field.
template <typename Case>
std::string ParamName(const testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

}  // namespace vantrel::test
