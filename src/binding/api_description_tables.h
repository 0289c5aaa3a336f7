// ApiDescriptionTables: the packed records in which a module describes its
// functions, types and events to the core (the FunctionDescription part of
// each FunctionRecord, TypeRecord, EventRecord and their argument, field,
// enumeration-value and tag arrays; see tav/plugin_abi.h).
//
// The tables are built once, from snapshots of the registry taken after the
// module has registered everything. Records of one array are linked through
// their first word, with 0 in the last. Their texts point into the
// registry's descriptors, so the registry must outlive the tables; an
// absent text is "", never null. A type reference is {code, element code,
// registered name}; the name is given for vectors, enumerations, structures
// and maps of a known registered type, and "" otherwise.
//
//   ApiDescriptionTables tables(registry);
//   PluginApiDescription words = tables.Words();
//   tables.CopyFunctionDescription("GetTavPerksV1Pages", records[0]);
//   LinkFunctionRecords(records.data(), records.size());
#ifndef TAV_BINDING_API_DESCRIPTION_TABLES_H_
#define TAV_BINDING_API_DESCRIPTION_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tav/plugin_abi.h"

namespace tav {

class BindingTypeRegistry;

class ApiDescriptionTables {
 public:
  // Functions, types and events in registration order; enumeration values in
  // byte order of their names. A field's declared type, when it has one,
  // replaces its own. A type without fields has no field array and counts
  // its enumeration values; one with fields has no value array.
  explicit ApiDescriptionTables(const BindingTypeRegistry& registry);

  // Moving keeps every record at its address; copying would not.
  ApiDescriptionTables(ApiDescriptionTables&&) noexcept = default;
  ApiDescriptionTables& operator=(ApiDescriptionTables&&) noexcept = default;
  ApiDescriptionTables(const ApiDescriptionTables&) = delete;
  ApiDescriptionTables& operator=(const ApiDescriptionTables&) = delete;

  // The six words: function records (their description parts filled; the
  // dispatch context, dispatch entry and route are 0) and count, type
  // records and count, event records and count. An empty array is null.
  PluginApiDescription Words() const;

  // The description of the function called exactly `name`, or null.
  const FunctionDescription* FindFunction(std::string_view name) const;

  // Copies the description of the function called `name` into `record`,
  // keeping the record's own next link and dispatch context, which belong to
  // the array the record lives in. False, leaving `record` alone, when no
  // function has that name.
  bool CopyFunctionDescription(std::string_view name, FunctionRecord& record) const;

 private:
  // Hands out the next `count` entries of `pool`; null for none.
  template <class T>
  T* Take(std::vector<T>& pool, size_t& cursor, size_t count);
  const char* const* TakeTags(const std::vector<std::string>& tags);

  std::vector<FunctionRecord> functions_;
  std::vector<TypeRecord> types_;
  std::vector<EventRecord> events_;
  std::vector<ArgumentRecord> arguments_;
  std::vector<FieldRecord> fields_;
  std::vector<EnumValueRecord> enum_values_;
  std::vector<const char*> tags_;
  size_t arguments_used_ = 0;
  size_t fields_used_ = 0;
  size_t enum_values_used_ = 0;
  size_t tags_used_ = 0;
  std::unordered_map<std::string_view, size_t> function_index_;  // name -> functions_ index
};

// Links `count` records through their first word, 0 in the last.
void LinkFunctionRecords(FunctionRecord* records, size_t count);

}  // namespace tav

#endif  // TAV_BINDING_API_DESCRIPTION_TABLES_H_
