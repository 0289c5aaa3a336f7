// A small plugin written straight against the C ABI, used to test the
// development core. It offers a handful of functions whose answers describe
// what the core sent, and "actions" that make it call the core back: send an
// event, register a handler, make a request, log, wait. Some functions answer with faulty records
// on purpose, so the tests can see the core survive them.
//
// It keeps to the ownership rules: values the core sends are copied when
// kept, every response it fills carries its own release operation, and every
// response the core fills is given back through the core's release.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "tav/plugin_abi.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// --- Heap --------------------------------------------------------------------------

void* Allocate(size_t size) { return std::calloc(1, size == 0 ? 1 : size); }
void Free(const void* block) { std::free(const_cast<void*>(block)); }
char* CopyText(const char* text) {
  size_t length = std::strlen(text);
  char* copy = static_cast<char*>(Allocate(length + 1));
  std::memcpy(copy, text, length + 1);
  return copy;
}

// --- Values ----------------------------------------------------------------------

CoreValue Null() {
  CoreValue v;
  std::memset(&v, 0, sizeof(v));
  return v;
}
CoreValue Unsigned(uint64_t number) {
  CoreValue v = Null();
  v.kind = TAV_CORE_UNSIGNED;
  v.payload.u64 = number;
  return v;
}
CoreValue Bool(bool flag) {
  CoreValue v = Null();
  v.kind = TAV_CORE_BOOL;
  v.payload.boolean = flag ? 1 : 0;
  return v;
}
CoreValue Text(const std::string& text) {
  CoreValue v = Null();
  v.kind = TAV_CORE_OWNED_STRING;
  v.payload.ref.address = CopyText(text.c_str());
  v.payload.ref.length = static_cast<uint32_t>(std::strlen(text.c_str()));
  return v;
}
// A text that lives as long as the library: the borrowed kind.
CoreValue StaticText(const char* text) {
  CoreValue v = Null();
  v.kind = TAV_CORE_STRING;
  v.payload.ref.address = text;
  v.payload.ref.length = static_cast<uint32_t>(std::strlen(text));
  return v;
}
CoreValue Collection(const std::vector<CoreValue>& elements) {
  CoreValue v = Null();
  v.kind = TAV_CORE_COLLECTION;
  auto* array = static_cast<CoreValue*>(Allocate(sizeof(CoreValue) * elements.size()));
  for (size_t i = 0; i < elements.size(); ++i) array[i] = elements[i];
  v.payload.ref.address = array;
  v.payload.ref.length = static_cast<uint32_t>(elements.size());
  return v;
}
struct Field {
  const char* key;
  CoreValue value;
  bool borrowed_key;  // a key that is a literal: key_owned 0
};
CoreValue Structure(const std::vector<Field>& fields) {
  CoreValue v = Null();
  v.kind = TAV_CORE_STRUCTURE;
  auto* entries = static_cast<CoreStructEntry*>(Allocate(sizeof(CoreStructEntry) * fields.size()));
  for (size_t i = 0; i < fields.size(); ++i) {
    entries[i].key = fields[i].borrowed_key ? fields[i].key : CopyText(fields[i].key);
    entries[i].key_owned = fields[i].borrowed_key ? 0 : 1;
    entries[i].value = fields[i].value;
  }
  v.payload.ref.address = entries;
  v.payload.ref.length = static_cast<uint32_t>(fields.size());
  return v;
}

void Release(CoreValue* v) {
  switch (v->kind) {
    case TAV_CORE_OWNED_STRING:
      Free(v->payload.ref.address);
      break;
    case TAV_CORE_COLLECTION: {
      auto* array = static_cast<CoreValue*>(const_cast<void*>(v->payload.ref.address));
      for (uint32_t i = 0; i < v->payload.ref.length; ++i) Release(&array[i]);
      Free(array);
      break;
    }
    case TAV_CORE_STRUCTURE: {
      auto* entries = static_cast<CoreStructEntry*>(const_cast<void*>(v->payload.ref.address));
      for (uint32_t i = 0; i < v->payload.ref.length; ++i) {
        if (entries[i].key_owned) Free(entries[i].key);
        Release(&entries[i].value);
      }
      Free(entries);
      break;
    }
    default:
      break;
  }
  *v = Null();
}

// A deep copy with owned kinds: what the plugin keeps of a value it was sent
// (the core sends it no bytes, which would stay borrowed).
CoreValue Copy(const CoreValue& v) {
  switch (v.kind) {
    case TAV_CORE_STRING:
    case TAV_CORE_OWNED_STRING:
      return Text(static_cast<const char*>(v.payload.ref.address));
    case TAV_CORE_COLLECTION: {
      const auto* array = static_cast<const CoreValue*>(v.payload.ref.address);
      std::vector<CoreValue> elements;
      for (uint32_t i = 0; i < v.payload.ref.length; ++i) elements.push_back(Copy(array[i]));
      return Collection(elements);
    }
    case TAV_CORE_STRUCTURE: {
      const auto* entries = static_cast<const CoreStructEntry*>(v.payload.ref.address);
      std::vector<Field> fields;
      for (uint32_t i = 0; i < v.payload.ref.length; ++i) fields.push_back({entries[i].key, Copy(entries[i].value), false});
      return Structure(fields);
    }
    default:
      return v;
  }
}

std::string TextOf(const CoreValue* v) {
  if (v == nullptr || (v->kind != TAV_CORE_STRING && v->kind != TAV_CORE_OWNED_STRING)) return "";
  return static_cast<const char*>(v->payload.ref.address);
}

int64_t NumberOf(const CoreValue* v) {
  if (v == nullptr) return 0;
  if (v->kind == TAV_CORE_SIGNED) return v->payload.i64;
  if (v->kind == TAV_CORE_UNSIGNED) return static_cast<int64_t>(v->payload.u64);
  return 0;
}

// --- The module ---------------------------------------------------------------------

struct Module {
  PluginInitArgs* args = nullptr;
  std::vector<std::string> registered;  // names this module must unregister at Shutdown
  std::vector<CoreValue> received;      // copies of every event delivered to it
};

Module* g_module = nullptr;

CoreInterface* Core() { return g_module->args->core; }
HostContext Context() { return g_module->args->host_context; }

void OnEvent(const CoreEvent* event) {
  auto* module = static_cast<Module*>(event->context);
  CoreValue copy = Structure({{"name", Text(event->name), true},
                              {"payload", Copy(event->payload), true},
                              {"flag", Unsigned(event->flag), true},
                              {"contextOk", Bool(module == g_module), true}});
  g_module->received.push_back(copy);
}

void Register(const char* name, uint8_t flag) {
  Core()->RegisterEventHandler(Core(), name, Context(), &OnEvent, g_module, flag);
  g_module->registered.push_back(name);
}

void Forget(const std::string& name) {
  auto& names = g_module->registered;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) {
      names.erase(names.begin() + static_cast<long>(i));
      return;
    }
  }
}

// --- Responses the plugin fills -------------------------------------------------------

void ReleaseRecord(ResponseRecord* record) {
  Release(&record->value);
  if (record->error_owned) Free(record->error);
  for (uint32_t i = 0; i < record->header_count; ++i) {
    Free(record->headers[i].name);
    Free(record->headers[i].value);
  }
  Free(record->headers);
  Free(record->additional_text);
  record->error = nullptr;
  record->headers = nullptr;
  record->header_count = 0;
  record->additional_text = nullptr;
}

void Answer(ResponseRecord* response, CoreValue value) {
  response->status = 200;
  response->value = value;
}

void Fail(ResponseRecord* response, uint32_t status, const char* text) {
  response->status = status;
  response->error = CopyText(text);
  response->error_owned = 1;
}

struct FakeStream {
  std::string body;
  size_t offset = 0;
  uint32_t chunk = 0;
};

uint8_t ReadFakeStream(void* handle, void* buffer, uint32_t* length, uint8_t* more) {
  auto* stream = static_cast<FakeStream*>(handle);
  size_t count = std::min<size_t>({*length, stream->chunk, stream->body.size() - stream->offset});
  std::memcpy(buffer, stream->body.data() + stream->offset, count);
  stream->offset += count;
  *length = static_cast<uint32_t>(count);
  *more = stream->offset < stream->body.size() ? 1 : 0;
  return 1;
}

// --- Functions ---------------------------------------------------------------------------

struct FunctionContext {
  const char* name;
};

// Arguments given in the URL's query instead ("?count=3&name=x"), for hosts
// that pass only the URL: whole numbers as signed values, anything else as
// a text (not percent-decoded). They stay until the library is unloaded.
std::deque<std::string> g_query_texts;
std::deque<CoreValue> g_query_values;

const CoreValue* QueryArgument(const RequestRecord* request, const char* name) {
  const char* question = request->url != nullptr ? std::strchr(request->url, '?') : nullptr;
  if (question == nullptr) return nullptr;
  const std::string query(question + 1);
  for (size_t start = 0; start <= query.size();) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(start, end - start);
    start = end + 1;
    const size_t equals = pair.find('=');
    if (pair.substr(0, equals) != name) continue;
    const std::string value = equals == std::string::npos ? "" : pair.substr(equals + 1);
    const size_t digits_from = !value.empty() && value[0] == '-' ? 1 : 0;
    const bool number = value.size() > digits_from && value.size() < 19 &&
                        value.find_first_not_of("0123456789", digits_from) == std::string::npos;
    CoreValue v = Null();
    if (number) {
      v.kind = TAV_CORE_SIGNED;
      v.payload.i64 = std::strtoll(value.c_str(), nullptr, 10);
    } else {
      g_query_texts.push_back(value);
      v = StaticText(g_query_texts.back().c_str());
    }
    g_query_values.push_back(v);
    return &g_query_values.back();
  }
  return nullptr;
}

const CoreValue* Argument(const RequestRecord* request, const char* name) {
  for (uint32_t i = 0; i < request->argument_count; ++i) {
    const CoreArgument& argument = request->arguments[i];
    if (argument.name != nullptr && std::strcmp(argument.name, name) == 0) return &argument.value;
  }
  return QueryArgument(request, name);
}

CoreValue DescribeRequest(const RequestRecord* request, const FunctionContext* function) {
  std::vector<CoreValue> args;
  for (uint32_t i = 0; i < request->argument_count; ++i) {
    const CoreArgument& a = request->arguments[i];
    args.push_back(Structure({{"name", a.name ? Text(a.name) : Null(), true},
                              {"kind", Unsigned(a.value.kind), true},
                              {"value", Copy(a.value), true}}));
  }
  std::vector<CoreValue> headers;
  for (uint32_t i = 0; i < request->header_count; ++i) {
    headers.push_back(Collection({Text(request->headers[i].name), Text(request->headers[i].value)}));
  }
  std::string body(static_cast<const char*>(request->body), request->body_size);
  // Keys are spelled both ways: literal keys borrowed, others owned.
  return Structure({{"function", StaticText(function->name), true},
                    {"method", Unsigned(request->method), false},
                    {"methodName", request->method_name ? Text(request->method_name) : Null(), false},
                    {"url", Text(request->url), true},
                    {"hostContext", Unsigned(request->host_context), true},
                    {"args", Collection(args), false},
                    {"headers", Collection(headers), true},
                    {"contentType", request->content_type ? Text(request->content_type) : Null(), true},
                    {"body", Text(body), true}});
}

// Sends a request ("method", "url") to the core and describes the answer.
CoreValue DoRequest(const RequestRecord* call) {
  std::string url = TextOf(Argument(call, "url"));
  RequestRecord request;
  std::memset(&request, 0, sizeof(request));
  request.method = static_cast<uint32_t>(NumberOf(Argument(call, "method")));
  request.url = url.c_str();
  request.host_context = Context();
  ResponseRecord response;
  std::memset(&response, 0, sizeof(response));
  Core()->Request(Core(), &response, &request);
  CoreValue result = Structure({{"status", Unsigned(response.status), true},
                                {"error", response.error ? Text(response.error) : Null(), true},
                                {"value", Copy(response.value), true}});
  response.record_release(&response);
  return result;
}

void Action(ResponseRecord* response, const RequestRecord* request) {
  std::string url = request->url;
  url = url.substr(0, url.find('?'));
  std::string name = url.substr(url.rfind('/') + 1);
  if (name == "send-event") {
    std::string event_name = TextOf(Argument(request, "name"));
    const CoreValue* payload = Argument(request, "payload");
    CoreEvent event;
    std::memset(&event, 0, sizeof(event));
    event.name = event_name.c_str();
    event.payload = payload ? Copy(*payload) : Null();
    event.flag = static_cast<uint32_t>(NumberOf(Argument(request, "flag")));
    Core()->SendEvent(Core(), &event);
    Release(&event.payload);  // ours: the core copied what it keeps
    return Answer(response, Null());
  }
  if (name == "register") {
    Register(TextOf(Argument(request, "name")).c_str(), static_cast<uint8_t>(NumberOf(Argument(request, "flag"))));
    return Answer(response, Null());
  }
  if (name == "unregister") {
    std::string event_name = TextOf(Argument(request, "name"));
    Core()->UnregisterEventHandler(Core(), event_name.c_str(), Context());
    Forget(event_name);
    return Answer(response, Null());
  }
  if (name == "forget") {
    Forget(TextOf(Argument(request, "name")));
    return Answer(response, Null());
  }
  if (name == "received") {
    std::vector<CoreValue> copies;
    for (const CoreValue& event : g_module->received) copies.push_back(Copy(event));
    return Answer(response, Collection(copies));
  }
  if (name == "request") return Answer(response, DoRequest(request));
  if (name == "log") {
    std::string text = TextOf(Argument(request, "text"));
    Core()->Log(Core(), static_cast<int32_t>(NumberOf(Argument(request, "level"))), text.c_str());
    return Answer(response, Null());
  }
  if (name == "wait") {
    int64_t count = NumberOf(Argument(request, "count"));
    Core()->BeginWait(Core(), "Wait: count", 0);
    for (int64_t i = 0; i < count; ++i) Core()->Yield(Core());
    return Answer(response, Unsigned(Core()->EndWait(Core())));
  }
  Fail(response, 404, "Unknown action");
}

// Answers that break the rules, each in its own way. Nothing here is heap
// memory, so a host that cannot release it leaks nothing.
char g_static_text[] = "static";
CoreHeader g_null_header = {nullptr, "v"};
CoreStructEntry g_null_key_entry = {nullptr, {TAV_CORE_SIGNED, {0}}, 0};
FakeStream* g_unreleased_stream = nullptr;

void NoRelease(ResponseRecord*) {}

void Garbage(ResponseRecord* response, const RequestRecord* request) {
  std::string url = request->url;
  std::string which = url.substr(url.rfind('/') + 1);
  response->record_release = &NoRelease;
  response->status = 200;
  if (which == "null-text") {
    response->value.kind = TAV_CORE_OWNED_STRING;
    response->value.payload.ref.address = nullptr;
    response->value.payload.ref.length = 4;
  } else if (which == "bad-kind") {
    response->value.kind = 42;
  } else if (which == "null-array") {
    response->value.kind = TAV_CORE_COLLECTION;
    response->value.payload.ref.address = nullptr;
    response->value.payload.ref.length = 3;
  } else if (which == "null-key") {
    response->value.kind = TAV_CORE_STRUCTURE;
    response->value.payload.ref.address = &g_null_key_entry;
    response->value.payload.ref.length = 1;
  } else if (which == "null-header") {
    response->headers = &g_null_header;
    response->header_count = 1;
  } else if (which == "kind-code") {
    response->kind = 9;
  } else if (which == "no-release") {
    response->value.kind = TAV_CORE_OWNED_STRING;
    response->value.payload.ref.address = g_static_text;
    response->value.payload.ref.length = 6;
    response->record_release = nullptr;
  } else if (which == "stream-no-release") {
    if (g_unreleased_stream == nullptr) g_unreleased_stream = new FakeStream{"abc", 0, 100};
    g_unreleased_stream->offset = 0;
    response->stream = g_unreleased_stream;
    response->stream_read = &ReadFakeStream;
  } else if (which == "null-error") {
    // A failure status with no error text is a success as far as the
    // record goes; the core reads it as such.
    response->status = 500;
  }
}

void Dispatch(ResponseRecord* response, const RequestRecord* request) {
  std::memset(response, 0, sizeof(*response));
  response->record_release = &ReleaseRecord;
  const auto* function = static_cast<const FunctionContext*>(request->dispatch_context);
  std::string name = function ? function->name : "";
  if (name == "Echo") {
    Answer(response, DescribeRequest(request, function));
    auto* headers = static_cast<CoreHeader*>(Allocate(sizeof(CoreHeader)));
    headers[0] = {CopyText("X-Fake"), CopyText("echo")};
    response->headers = headers;
    response->header_count = 1;
    response->flag = 1;
    response->kind = 2;
    response->additional_text = CopyText("extra");
    return;
  }
  if (name == "Action") return Action(response, request);
  if (name == "Garbage") return Garbage(response, request);
  if (name.empty()) return Fail(response, 500, "No dispatch context");
  // The rest name themselves, so the tests see which route was chosen.
  Answer(response, Structure({{"function", StaticText(function->name), true}, {"url", Text(request->url), true}}));
}

// --- The API description ----------------------------------------------------------------

const FunctionContext kContexts[] = {{"ListItems"}, {"GetItem"}, {"GetSpecial"}, {"GetFile"},
                                     {"PutItem"},   {"Echo"},    {"Action"},     {"Garbage"}};
struct Route {
  uint32_t method;
  const char* path;
};
const Route kRoutes[] = {{TAV_METHOD_GET, "/fake/v1/items"},         {TAV_METHOD_GET, "/fake/v1/items/{id}"},
                         {TAV_METHOD_GET, "/fake/v1/items/special"}, {TAV_METHOD_GET, "/fake/v1/files/{+rest}"},
                         {TAV_METHOD_PUT, "/fake/v1/items/{id}"},    {0, "/fake/v1/echo"},
                         {TAV_METHOD_POST, "/fake/v1/actions/{name}"}, {TAV_METHOD_GET, "/fake/v1/garbage/{case}"}};
constexpr size_t kFunctionCount = sizeof(kContexts) / sizeof(kContexts[0]);

const char* const kTags[] = {"fake", "test"};

ArgumentRecord g_echo_arguments[2];
FunctionRecord g_functions[kFunctionCount];
FieldRecord g_item_fields[3];
EnumValueRecord g_color_values[2];
TypeRecord g_types[3];
EventRecord g_events[1];
PluginApiDescription g_api;
PluginEntryTable g_entry;

void BuildDescription() {
  g_echo_arguments[0] = {&g_echo_arguments[1], "a", "a number", 6, 0, "", 1};
  g_echo_arguments[1] = {nullptr, "b", "some items", 15, 17, "TavFakeItem", 0};
  for (size_t i = 0; i < kFunctionCount; ++i) {
    FunctionRecord& f = g_functions[i];
    std::memset(&f, 0, sizeof(f));
    f.description.next = i + 1 < kFunctionCount ? &g_functions[i + 1] : nullptr;
    f.description.dispatch_context = &kContexts[i];
    f.description.name = kContexts[i].name;
    f.description.name_space = "TavFake";
    f.description.return_type_code = 13;
    f.description.return_type_name = "";
    f.description.description = "";
    f.description.help = "";
    f.description.async_type_name = "";
    f.dispatch = &Dispatch;
    f.route_method = kRoutes[i].method;
    f.route_template = kRoutes[i].path;
  }
  FunctionRecord& echo = g_functions[5];
  echo.description.arguments = g_echo_arguments;
  echo.description.argument_count = 2;
  echo.description.description = "Describes the request it was given.";
  echo.description.tags = kTags;
  echo.description.tag_count = 2;

  g_item_fields[0] = {&g_item_fields[1], "id", "", 0, 6, 0, "", 0};
  g_item_fields[1] = {&g_item_fields[2], "name", "the item's name", 8, 12, 0, "", 1};
  g_item_fields[2] = {nullptr, "tags", "", 40, 15, 12, "", 0};
  g_color_values[0] = {&g_color_values[1], "Blue", "", 2};
  g_color_values[1] = {nullptr, "Red", "warm", 1};
  g_types[0] = {&g_types[1], "TavFakeItem", "TavFake", 64, "An item.", nullptr, 0, g_item_fields, nullptr, 3};
  g_types[1] = {&g_types[2], "TavFakeColor", "TavFake", 4, "", nullptr, 0, nullptr, g_color_values, 2};
  g_types[2] = {nullptr, "TavFakeEmpty", "TavFake", 1, "", nullptr, 0, nullptr, nullptr, 0};
  g_events[0] = {nullptr, "OnFakeChanged", "TavFake", "TavFakeItem", "Fired when an item changes.", nullptr, 0};
  g_api = {g_functions, static_cast<uint32_t>(kFunctionCount), g_types, 3, g_events, 1};
}

// --- Entry points -------------------------------------------------------------------------

uint8_t Initialize(void* module, PluginInitArgs* args) {
  auto* m = static_cast<Module*>(module);
  m->args = args;
  Register("OnServiceProxyUuidEvent", 1);
  Core()->Log(Core(), 0, "fake: initialized");
  return 1;
}

void Shutdown(void* module) {
  auto* m = static_cast<Module*>(module);
  if (m->args != nullptr) {
    for (const std::string& name : m->registered) Core()->UnregisterEventHandler(Core(), name.c_str(), Context());
  }
  for (CoreValue& event : m->received) Release(&event);
  delete g_unreleased_stream;
  g_unreleased_stream = nullptr;
  delete m;
  g_module = nullptr;
}

void GetMemoryStatistics(void*, MemoryStatistics* statistics) {
  std::memset(statistics, 0, sizeof(*statistics));
}

}  // namespace

FAKE_EXPORT void load_tav_perks(PluginHostInfo* info) {
  if (info->major != 18) return;  // refuses quietly: no entry table
  BuildDescription();
  g_entry = {&Initialize, &Shutdown, &GetMemoryStatistics};
  g_module = new Module();
  info->major = 18;
  info->minor = 0;
  info->patch = 0;
  info->entry_table = &g_entry;
  info->module = g_module;
  info->short_name = "tav-fake";
  info->api_description = &g_api;
}
