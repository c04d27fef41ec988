#include "link/system.h"

namespace vantrel {

std::string Ipv4Endpoint::AddressText() const {
  std::string text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0)
      text += '.';
    text += std::to_string(address[i]);
  }
  return text;
}

}  // namespace vantrel
