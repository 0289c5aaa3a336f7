// Base64 (standard alphabet, "=" padding) of a byte string: the text form
// of blob values.
//
//   Base64Encode("hi");  // "aGk="
#ifndef TAV_BINDING_BASE64_H_
#define TAV_BINDING_BASE64_H_

#include <string>
#include <string_view>

namespace tav {

std::string Base64Encode(std::string_view bytes);

}  // namespace tav

#endif  // TAV_BINDING_BASE64_H_
