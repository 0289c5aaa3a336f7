#include "api_description.h"

namespace tav::host {

namespace {

class TableReader {
 public:
  explicit TableReader(std::vector<std::string>* faults) : faults_(faults) {}

  std::string Text(const char* text, const std::string& where) {
    if (text != nullptr) return text;
    faults_->push_back("null text: " + where);
    return "";
  }

  uint32_t Count(uint32_t count, const std::string& where) {
    if (count <= kMaxApiTableCount) return count;
    faults_->push_back("implausible count " + std::to_string(count) + ": " + where);
    return 0;
  }

  std::vector<std::string> Tags(const char* const* tags, uint32_t count, const std::string& where) {
    std::vector<std::string> out;
    count = Count(count, where + " tags");
    if (count > 0 && tags == nullptr) {
      faults_->push_back("null tag array: " + where);
      return out;
    }
    for (uint32_t i = 0; i < count; ++i) out.push_back(Text(tags[i], where + " tag " + std::to_string(i)));
    return out;
  }

  ApiTypeRef TypeRef(uint32_t code, uint32_t element_code, const char* type_name, const std::string& where) {
    return ApiTypeRef{code, element_code, Text(type_name, where + " type name")};
  }

  // Walks an array of `count` records starting at `first` by index (the
  // array and its count are what the plugin promises), and checks that each
  // record links to the next and the last to null.
  template <typename Record, typename Visit>
  void Walk(const Record* first, uint32_t count, const std::string& where, Visit&& visit) {
    count = Count(count, where);
    if (count > 0 && first == nullptr) {
      faults_->push_back("null array of " + std::to_string(count) + ": " + where);
      return;
    }
    for (uint32_t i = 0; i < count; ++i) {
      const Record* expected_next = i + 1 < count ? first + i + 1 : nullptr;
      if (NextOf(first[i]) != expected_next) {
        faults_->push_back("record " + std::to_string(i) + " links to the wrong record: " + where);
      }
      visit(first[i], where + " " + std::to_string(i));
    }
  }

 private:
  template <typename Record>
  static const Record* NextOf(const Record& record) {
    return record.next;
  }
  static const FunctionRecord* NextOf(const FunctionRecord& record) { return record.description.next; }

  std::vector<std::string>* faults_;
};

bool IsLocationCode(uint8_t code) {
  return code == TAV_LOCATION_ANY || code == TAV_LOCATION_QUERY || code == TAV_LOCATION_PATH ||
         code == TAV_LOCATION_HEADER || code == TAV_LOCATION_BODY;
}

// The array holds one code per argument the record counts; only the codes
// of the arguments actually read are taken.
void ReadArgumentLocations(const FunctionRecord& record, std::vector<ApiArgument>* arguments,
                           const std::string& where, std::vector<std::string>* faults) {
  if (record.argument_locations == nullptr) return;
  for (size_t i = 0; i < arguments->size(); ++i) {
    const uint8_t code = record.argument_locations[i];
    if (IsLocationCode(code)) {
      (*arguments)[i].location = code;
    } else {
      faults->push_back("unknown location " + std::to_string(code) + ": " + where + " argument " +
                        std::to_string(i));
    }
  }
}

}  // namespace

ApiDescription ReadApiDescription(const PluginApiDescription* description) {
  ApiDescription api;
  if (description == nullptr) {
    api.faults.push_back("no API description");
    return api;
  }
  TableReader reader(&api.faults);

  reader.Walk(description->functions, description->function_count, "function",
              [&](const FunctionRecord& record, const std::string& where) {
                const FunctionDescription& d = record.description;
                ApiFunction f;
                f.name = reader.Text(d.name, where + " name");
                std::string at = where + " (" + f.name + ")";
                if (d.zero != 0) api.faults.push_back("word 1 is not zero: " + at);
                f.name_space = reader.Text(d.name_space, at + " name space");
                f.description = reader.Text(d.description, at + " description");
                f.help = reader.Text(d.help, at + " help");
                f.return_type = reader.TypeRef(d.return_type_code, d.return_element_type_code, d.return_type_name,
                                               at + " return");
                f.thread_safe = d.thread_safe != 0;
                f.async_type_name = reader.Text(d.async_type_name, at + " async type name");
                f.tags = reader.Tags(d.tags, d.tag_count, at);
                reader.Walk(d.arguments, d.argument_count, at + " argument",
                            [&](const ArgumentRecord& a, const std::string& arg_where) {
                              ApiArgument argument;
                              argument.name = reader.Text(a.name, arg_where + " name");
                              argument.description = reader.Text(a.description, arg_where + " description");
                              argument.type = reader.TypeRef(a.type_code, a.element_type_code, a.type_name, arg_where);
                              argument.optional = a.optional != 0;
                              f.arguments.push_back(std::move(argument));
                            });
                ReadArgumentLocations(record, &f.arguments, at, &api.faults);
                if (record.dispatch == nullptr) api.faults.push_back("null dispatch entry: " + at);
                f.route_method = record.route_method;
                f.route_template = reader.Text(record.route_template, at + " route template");
                f.record = &record;
                api.functions.push_back(std::move(f));
              });

  reader.Walk(description->types, description->type_count, "type",
              [&](const TypeRecord& record, const std::string& where) {
                ApiType t;
                t.name = reader.Text(record.name, where + " name");
                std::string at = where + " (" + t.name + ")";
                t.name_space = reader.Text(record.name_space, at + " name space");
                t.native_size = record.native_size;
                t.description = reader.Text(record.description, at + " description");
                t.tags = reader.Tags(record.tags, record.tag_count, at);
                if (record.fields != nullptr && record.enum_values != nullptr) {
                  api.faults.push_back("both fields and enumeration values: " + at);
                }
                t.is_enumeration = record.fields == nullptr && record.enum_values != nullptr;
                if (t.is_enumeration) {
                  reader.Walk(record.enum_values, record.count, at + " value",
                              [&](const EnumValueRecord& v, const std::string& value_where) {
                                t.enum_values.push_back({reader.Text(v.name, value_where + " name"),
                                                         reader.Text(v.description, value_where + " description"),
                                                         v.value});
                              });
                } else {
                  reader.Walk(record.fields, record.count, at + " field",
                              [&](const FieldRecord& field, const std::string& field_where) {
                                ApiField out;
                                out.name = reader.Text(field.name, field_where + " name");
                                out.description = reader.Text(field.description, field_where + " description");
                                out.offset = field.offset;
                                out.type = reader.TypeRef(field.type_code, field.element_type_code, field.type_name,
                                                          field_where);
                                out.optional = field.optional != 0;
                                t.fields.push_back(std::move(out));
                              });
                }
                api.types.push_back(std::move(t));
              });

  reader.Walk(description->events, description->event_count, "event",
              [&](const EventRecord& record, const std::string& where) {
                ApiEvent e;
                e.name = reader.Text(record.name, where + " name");
                std::string at = where + " (" + e.name + ")";
                e.name_space = reader.Text(record.name_space, at + " name space");
                e.payload_type_name = reader.Text(record.payload_type_name, at + " payload type name");
                e.description = reader.Text(record.description, at + " description");
                e.tags = reader.Tags(record.tags, record.tag_count, at);
                api.events.push_back(std::move(e));
              });
  return api;
}

}  // namespace tav::host
