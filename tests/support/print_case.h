#pragma once

#include <ostream>

namespace vantrel::test {

// Lets GoogleTest print a table case as its name instead of its raw bytes. Brought into a test's
// namespace with `using test::PrintTo;` so that argument-dependent lookup finds it.
template <typename Case>
requires requires(const Case& c, std::ostream& os) {
  os << c.name;
}
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

}  // namespace vantrel::test
