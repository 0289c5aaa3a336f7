// Conversions between the plugin's CoreValue transfer form and RapidJSON
// values, written on the host's side of the boundary.
//
// Reading (plugin to host) never trusts the plugin: null texts and arrays,
// unknown kinds, implausible counts and runaway nesting become an error text
// naming the place ("null text at value.items[2].name"), never a crash.
//
// Writing (host to plugin) allocates with HostMemory. A blob has no JSON
// form of its own; both directions spell it {"$blob": "<base64>"}.
//
//   rapidjson::Document doc;
//   std::string error;
//   if (!ReadCoreValue(response.value, &doc, &error)) ... report error ...
//
//   CoreValue v = BuildOwnedCoreValue(JsonValue(R"({"id": 7})"));
//   ... hand v to the plugin in a ResponseRecord ...
//   ReleaseOwnedCoreValue(&v);
#ifndef TAV_HOST_CORE_VALUE_JSON_H_
#define TAV_HOST_CORE_VALUE_JSON_H_

#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>

#include "tav/plugin_abi.h"

namespace tav::host {

// The key of the one-member object that stands for a blob.
inline constexpr const char* kBlobKey = "$blob";

// Deepest nesting accepted from the plugin, and the largest element count.
inline constexpr int kMaxCoreValueDepth = 200;
inline constexpr uint32_t kMaxCoreValueCount = 1u << 24;

// Converts `value` into `out` (allocated with `allocator`). On failure
// returns false with `error` set; `out` then holds what was converted before
// the fault. Oddities that do not stop the reading (a text length word that
// disagrees with the NUL, a bool byte other than 0 or 1) go to `warnings`
// when it is not null. `where` names the root in messages.
bool ReadCoreValue(const CoreValue& value, rapidjson::Value* out,
                   rapidjson::Document::AllocatorType& allocator, std::string* error,
                   std::vector<std::string>* warnings = nullptr, std::string_view where = "value");

// The same into a document of its own.
bool ReadCoreValue(const CoreValue& value, rapidjson::Document* out, std::string* error,
                   std::vector<std::string>* warnings = nullptr, std::string_view where = "value");

// How the host spells texts in the values it builds: owned kinds (6, 8, keys
// marked owned) or borrowed kinds (5, 7, keys marked borrowed). The plugin
// must treat both alike, since values in requests and events always belong
// to the sender.
enum class TextMode { kOwned, kBorrowed };

// A value built with owned kinds only, released with ReleaseOwnedCoreValue.
// This is the form the host puts into the ResponseRecords it fills, whose
// release operation has nothing but the record to go by.
CoreValue BuildOwnedCoreValue(const rapidjson::Value& json);

// Frees the texts, bytes, arrays and owned keys of a value the host built
// with owned kinds, and zeroes it.
void ReleaseOwnedCoreValue(CoreValue* value);

// Keeps everything it built until it is destroyed: the values of one request
// or event that the host sends.
class HostValueArena {
 public:
  explicit HostValueArena(TextMode mode) : mode_(mode) {}
  ~HostValueArena();
  HostValueArena(const HostValueArena&) = delete;
  HostValueArena& operator=(const HostValueArena&) = delete;

  CoreValue Build(const rapidjson::Value& json);
  // A NUL-terminated copy kept until destruction.
  const char* Text(std::string_view text);
  // Zeroed storage kept until destruction.
  void* Block(size_t size);

 private:
  TextMode mode_;
  std::vector<void*> blocks_;
};

}  // namespace tav::host

#endif  // TAV_HOST_CORE_VALUE_JSON_H_
