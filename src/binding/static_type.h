// StaticType::Name<T>(): a readable, stable text name of a native type, for
// wait labels and messages. It is the demangled C++ name with the library's
// noise taken out:
//   - the inline namespace of the standard library (std::__cxx11::) is dropped;
//   - default template arguments (std::allocator<...>, std::char_traits<...>,
//     std::less<...>, std::hash<...>, std::equal_to<...>,
//     std::default_delete<...>) are dropped;
//   - std::basic_string<char> is written std::string;
//   - closing angle brackets are not separated by spaces.
// Fundamental types keep their C++ spelling (int64_t is "long" here).
//
//   StaticType::Name<std::vector<std::string>>();  // "std::vector<std::string>"
//   StaticType::Name<std::map<std::string, int>>();  // "std::map<std::string, int>"
//   StaticType::Name<tav::BindingProperty>();  // "tav::BindingProperty"
#ifndef TAV_BINDING_STATIC_TYPE_H_
#define TAV_BINDING_STATIC_TYPE_H_

#include <string>
#include <string_view>
#include <typeinfo>

namespace tav {

class StaticType {
 public:
  // Computed once per type; the text lives for the process.
  template <class T>
  static const std::string& Name() {
    static const std::string name = ReadableName(typeid(T).name());
    return name;
  }

  // The readable form of a mangled type name as typeid gives it. A name the
  // demangler refuses is returned as given.
  static std::string ReadableName(const char* mangled);

  // The clean-up steps alone, applied to a demangled name.
  static std::string Simplify(std::string_view demangled);
};

}  // namespace tav

#endif  // TAV_BINDING_STATIC_TYPE_H_
