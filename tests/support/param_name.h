#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/ui_variant.h"

namespace vantrel::test {

// Names the cases of a table-driven test after their `name` field.
template <typename Case>
std::string ParamName(const testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

inline std::string VariantName(const testing::TestParamInfo<UiVariant>& info) {
  return info.param == UiVariant::Chinese ? "Chinese" : "English";
}

}  // namespace vantrel::test
