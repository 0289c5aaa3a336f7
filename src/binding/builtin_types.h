// The types and the event every module registers before its own: the help
// structures in which the API describes itself (tagged "$builtin" and
// "help"), the state and events of asynchronous operations (tagged
// "$builtin" and "async"), the generic and callback event payloads (tagged
// "$builtin"), and the "OnCallback" event.
//
//   BindingTypeRegistry registry;
//   RegisterBuiltinTypes(registry);                  // first thing
//   registry.FindType("BindingFullTypeHelp");        // registered
//   registry.FindEvent(kOnCallbackEvent)->payload;   // BindingCallbackEvent
#ifndef TAV_BINDING_BUILTIN_TYPES_H_
#define TAV_BINDING_BUILTIN_TYPES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "binding/binding_property.h"

namespace tav {

class BindingTypeRegistry;

// --- Help ---

enum class BindingHelpFormat : int32_t {
  Full = 1,     // a tree of the help structures below
  Epytext = 2,  // a docstring per item
};

// A type as help names it: "int32", "vector" with elementType "int32", or a
// registered type's name.
struct BindingFullTypeIdentifier {
  std::string type;
  std::string elementType;  // vector and map only
};

struct BindingFullArgumentHelp {
  std::string name;
  std::string description;
  BindingFullTypeIdentifier type;
  bool optional = false;
};

struct BindingFullFunctionHelp {
  std::string name;
  std::string nameSpace;
  std::vector<BindingFullArgumentHelp> arguments;
  BindingFullTypeIdentifier returns;
  std::string description;
  std::string help;
  bool threadSafe = false;
  std::string async;  // the return type's registered name when async; else ""
  std::vector<std::string> tags;
};

struct BindingFullEnumValueHelp {
  std::string name;
  std::string description;
  int32_t value = 0;
};

struct BindingFullFieldHelp {
  std::string name;
  std::string description;
  uint32_t offset = 0;  // byte offset in the native structure
  BindingFullTypeIdentifier type;
  bool optional = false;
};

struct BindingFullTypeHelp {
  std::string name;
  std::string nameSpace;
  uint32_t size = 0;  // native size in bytes
  std::string description;
  std::vector<std::string> tags;
  std::vector<BindingFullFieldHelp> fields;      // structures
  std::vector<BindingFullEnumValueHelp> values;  // enumerations
};

struct BindingFullEventHelp {
  std::string name;
  std::string nameSpace;
  BindingFullTypeIdentifier type;
  std::string description;
  std::vector<std::string> tags;
};

struct BindingFullApiHelp {
  std::vector<BindingFullFunctionHelp> functions;
  std::vector<BindingFullTypeHelp> types;
  std::vector<BindingFullEventHelp> events;
};

// --- Asynchronous operations and generic events ---

enum class BindingAsyncState : int32_t {
  None = 0,
  Running = 1,
  Cancelling = 2,
  Cancelled = 3,
  Succeeded = 4,
  Failed = 5,
};

struct BindingGenericEvent {
  BindingProperty data;
};

struct BindingCallbackEvent {
  uint32_t id = 0;
  std::vector<BindingProperty> parameters;
};

struct BindingGenericAsyncEvent {
  uint32_t asyncToken = 0;
  BindingProperty data;
};

struct BindingAsyncFailureEvent {
  uint32_t asyncToken = 0;
  std::string error;
};

struct BindingAsyncCancelEvent {
  uint32_t asyncToken = 0;
};

// Fired when a callback is invoked; its payload is a BindingCallbackEvent.
inline constexpr char kOnCallbackEvent[] = "OnCallback";

// Registers the types above under their own names, in dependency order, and
// the "OnCallback" event. Names already registered keep their first
// registration, so a second call changes nothing.
void RegisterBuiltinTypes(BindingTypeRegistry& registry);

}  // namespace tav

#endif  // TAV_BINDING_BUILTIN_TYPES_H_
