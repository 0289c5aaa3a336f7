/*
 * The C contract between the plugin host (the core) and the perks plugin.
 *
 * Every record here is packed to one-byte alignment and its fields keep the
 * order the core expects. Address-sized fields (texts, arrays, records,
 * functions, the module instance, the HostContext) are pointer-sized; every
 * other field has a fixed width. The static_asserts at the end pin the byte
 * offsets for both 64-bit and 32-bit targets.
 *
 * Ownership: whoever fills a ResponseRecord stores in it the release
 * operation for what it allocated there, and the receiver calls it when done.
 * Values inside a RequestRecord or a CoreEvent belong to the sender, which
 * frees them after Request or SendEvent returns; a receiver that keeps
 * anything copies it.
 *
 * Usage (a host):
 *   PluginHostInfo info = {18, 0, 0};
 *   load_tav_perks(&info);
 *   const PluginEntryTable* entry = (const PluginEntryTable*)info.entry_table;
 *   PluginInitArgs args = {&my_core_interface, my_host_context};
 *   entry->Initialize(info.module, &args);
 */
#ifndef TAV_PLUGIN_ABI_H_
#define TAV_PLUGIN_ABI_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An opaque word of the core, kept by the plugin and put into every request
 * it sends and every event-handler registration. */
typedef uintptr_t HostContext;

/* Request methods. TAV_METHOD_NAMED means the method is given by name in
 * RequestRecord.method_name. */
enum {
  TAV_METHOD_DELETE = 1,
  TAV_METHOD_GET = 2,
  TAV_METHOD_HEAD = 3,
  TAV_METHOD_OPTIONS = 4,
  TAV_METHOD_PATCH = 5,
  TAV_METHOD_POST = 6,
  TAV_METHOD_PUT = 7,
  TAV_METHOD_NAMED = 8
};

/* CoreValue kinds. Borrowed texts and bytes belong to whoever built the
 * value; owned ones were allocated by the plugin's allocator and are freed
 * with the value. Collection and structure arrays are always owned. */
enum {
  TAV_CORE_NULL = 0,
  TAV_CORE_BOOL = 1,
  TAV_CORE_SIGNED = 2,
  TAV_CORE_UNSIGNED = 3,
  TAV_CORE_FLOAT = 4,
  TAV_CORE_STRING = 5,       /* borrowed NUL-terminated text */
  TAV_CORE_OWNED_STRING = 6, /* owned NUL-terminated text */
  TAV_CORE_BLOB = 7,         /* borrowed bytes */
  TAV_CORE_OWNED_BLOB = 8,   /* owned bytes */
  TAV_CORE_COLLECTION = 9,   /* owned array of CoreValue */
  TAV_CORE_STRUCTURE = 10    /* owned array of CoreStructEntry */
};

/* Type codes of the description records: the native type of an argument, a
 * field or a result (`code`), and of a list's or a map's element
 * (`element_code`). Enumerations and structures also carry their registered
 * type name. */
enum {
  TAV_TYPE_NONE = 0, /* no value (a function without a result) */
  TAV_TYPE_BOOL = 1,
  TAV_TYPE_INT8 = 2,
  TAV_TYPE_UINT8 = 3,
  TAV_TYPE_INT16 = 4,
  TAV_TYPE_UINT16 = 5,
  TAV_TYPE_INT32 = 6,
  TAV_TYPE_UINT32 = 7,
  TAV_TYPE_INT64 = 8,
  TAV_TYPE_UINT64 = 9,
  TAV_TYPE_FLOAT = 10,
  TAV_TYPE_DOUBLE = 11,
  TAV_TYPE_STRING = 12,
  TAV_TYPE_OBJECT = 13, /* any value */
  TAV_TYPE_BLOB = 14,
  TAV_TYPE_VECTOR = 15,
  TAV_TYPE_ENUM = 16,
  TAV_TYPE_STRUCT = 17,
  TAV_TYPE_CALLBACK = 18,
  TAV_TYPE_MAP = 19 /* text keys */
};

#pragma pack(push, 1)

/* A value in the core's transfer form. */
typedef struct CoreValue {
  uint32_t kind; /* one of TAV_CORE_* */
  union {
    uint8_t boolean; /* TAV_CORE_BOOL: 0 or 1 */
    int64_t i64;     /* TAV_CORE_SIGNED */
    uint64_t u64;    /* TAV_CORE_UNSIGNED */
    double f64;      /* TAV_CORE_FLOAT */
    struct {
      const void* address; /* text, bytes, CoreValue[] or CoreStructEntry[] */
      uint32_t length;      /* text length, byte count or element count */
    } ref;
  } payload;
} CoreValue;

/* One field of a TAV_CORE_STRUCTURE value. */
typedef struct CoreStructEntry {
  const char* key;   /* NUL-terminated field name */
  CoreValue value;   /* the field's value */
  uint8_t key_owned; /* 1: key was allocated by the plugin and is freed with the entry */
} CoreStructEntry;

/* One argument of a request. */
typedef struct CoreArgument {
  const char* name; /* parameter name, or 0 for a positional argument */
  CoreValue value;  /* argument value; belongs to the sender */
} CoreArgument;

/* One HTTP-style header. Both texts belong to whoever built the array. */
typedef struct CoreHeader {
  const char* name;
  const char* value;
} CoreHeader;

typedef struct CoreInterface CoreInterface;
typedef struct ResponseRecord ResponseRecord;
typedef struct RequestRecord RequestRecord;
typedef struct CoreEvent CoreEvent;
typedef struct MemoryStatistics MemoryStatistics;
typedef struct PluginInitArgs PluginInitArgs;

/* Reads up to *length bytes of a streamed body into buffer; sets *length to
 * the count read and *more to 1 when more bytes will follow. Returns 0 on a
 * read error. */
typedef uint8_t (*StreamReadFn)(void* stream, void* buffer, uint32_t* length, uint8_t* more);
/* Frees a stream handed over in a ResponseRecord. */
typedef void (*StreamReleaseFn)(void* stream);
/* Frees everything the filler of a ResponseRecord allocated in it. */
typedef void (*RecordReleaseFn)(ResponseRecord* record);
/* The plugin's dispatch entry, stored in every FunctionRecord. */
typedef void (*DispatchFn)(ResponseRecord* response, const RequestRecord* request);
/* Called by the core for every occurrence of a registered event. */
typedef void (*EventCallbackFn)(const CoreEvent* event);

/* A request, sent by the plugin through CoreInterface.Request or delivered
 * by the core to a plugin function. Everything in it belongs to the sender. */
struct RequestRecord {
  uint32_t method;              /* TAV_METHOD_* */
  const char* url;              /* path and optional "?query" */
  const CoreArgument* arguments;
  uint32_t argument_count;
  const void* dispatch_context; /* calls into the plugin: FunctionRecord dispatch context; 0 otherwise */
  const CoreHeader* headers;
  uint32_t header_count;
  const char* content_type;     /* content type of the body, or 0 */
  const void* body;
  uint32_t body_size;
  HostContext host_context;
  const char* method_name;      /* the method's name when method is TAV_METHOD_NAMED */
};

/* The answer to a request. The filler stores record_release and the
 * receiver calls it when done with the record. */
struct ResponseRecord {
  CoreValue value;              /* result value */
  const char* error;            /* error text, or 0 when the call succeeded */
  uint8_t error_owned;          /* 1: error was allocated by the filler; freed by record_release */
  uint8_t flag;                 /* flag byte of the result */
  uint32_t kind;                /* kind code of the result, 0 to 3 */
  uint32_t status;              /* status code: 200, 400, 404, 500 ... */
  const char* additional_text;  /* additional text of the result, or 0 */
  const CoreHeader* headers;    /* response headers; freed by record_release */
  uint32_t header_count;
  StreamReadFn stream_read;     /* set when the body is streamed */
  StreamReleaseFn stream_release;
  uint64_t stream_size;         /* announced size of the stream */
  void* stream;                 /* the stream object; freed by stream_release */
  RecordReleaseFn record_release; /* frees the filler's allocations in this record */
};

/* An event, given to SendEvent and passed to event callbacks. */
struct CoreEvent {
  const char* name;  /* event name; belongs to the sender */
  CoreValue payload; /* belongs to the sender */
  uint32_t flag;     /* 0 for resource events */
  void* context;     /* callback context given at registration; 0 when the plugin sends */
};

/* Operations of the core. Each takes the table itself first. */
struct CoreInterface {
  void (*Request)(CoreInterface* self, ResponseRecord* response, const RequestRecord* request);
  void (*Reserved1)(CoreInterface* self, uintptr_t a, uintptr_t b);
  void (*SendEvent)(CoreInterface* self, const CoreEvent* event);
  void (*RegisterEventHandler)(CoreInterface* self, const char* name, HostContext host_context,
                               EventCallbackFn callback, void* context, uint8_t flag);
  void (*UnregisterEventHandler)(CoreInterface* self, const char* name, HostContext host_context);
  void (*Reserved5)(CoreInterface* self, uintptr_t a, uintptr_t b, uintptr_t c, uint64_t d,
                    uintptr_t e);
  void (*Yield)(CoreInterface* self);
  void (*BeginWait)(CoreInterface* self, const char* label, uintptr_t word);
  uint64_t (*EndWait)(CoreInterface* self);
  void (*Log)(CoreInterface* self, int32_t level, const char* text);
};

/* Given to Initialize; must stay valid until Shutdown returns. */
struct PluginInitArgs {
  CoreInterface* core;
  HostContext host_context;
};

/* Heap counters of the plugin. */
struct MemoryStatistics {
  uint64_t peak_bytes;             /* peak bytes in use */
  uint64_t allocations_at_peak;    /* live allocations when the peak was reached */
  uint64_t total_bytes_allocated;
  uint64_t allocation_count;
  uint64_t total_bytes_freed;
  uint64_t free_count;
  uint32_t reserved0;              /* 0 */
  uint32_t reserved1;              /* 0 */
};

/* The three entry points; each takes the module instance first. */
typedef struct PluginEntryTable {
  uint8_t (*Initialize)(void* module, PluginInitArgs* args); /* nonzero on success */
  void (*Shutdown)(void* module);
  void (*GetMemoryStatistics)(void* module, MemoryStatistics* statistics);
} PluginEntryTable;

/* Description of one function argument. Texts live as long as the module. */
typedef struct ArgumentRecord {
  const struct ArgumentRecord* next; /* next argument, 0 in the last */
  const char* name;
  const char* description;
  uint32_t type_code;
  uint32_t element_type_code;
  const char* type_name;             /* registered type name, or "" */
  uint8_t optional;
} ArgumentRecord;

/* Description of one plugin function: the first part of a FunctionRecord. */
typedef struct FunctionDescription {
  const struct FunctionRecord* next; /* next function record, 0 in the last */
  uintptr_t zero;                    /* 0 */
  const void* dispatch_context;      /* passed back in RequestRecord.dispatch_context */
  const char* name;
  const char* name_space;
  const ArgumentRecord* arguments;
  uint32_t argument_count;
  uint32_t return_type_code;
  uint32_t return_element_type_code;
  const char* return_type_name;
  const char* description;
  const char* help;
  uint8_t thread_safe;
  const char* async_type_name;       /* "" unless the function is async */
  const char* const* tags;
  uint32_t tag_count;
} FunctionDescription;

/* Where in a request an argument of a function may come from, one code per
 * argument in FunctionRecord.argument_locations. TAV_LOCATION_ANY takes it
 * from anywhere but the body: a header, a path placeholder of its name, the
 * query or a request argument. */
enum {
  TAV_LOCATION_ANY = 0,
  TAV_LOCATION_QUERY = 1,
  TAV_LOCATION_PATH = 2,
  TAV_LOCATION_HEADER = 4,
  TAV_LOCATION_BODY = 5
};

/* One function the plugin offers. The last 25 bytes are this plugin's own:
 * the method and path template the function is registered under, so that a
 * host can route a URL to its function, and where its arguments bind. */
typedef struct FunctionRecord {
  FunctionDescription description;
  DispatchFn dispatch;          /* called by the core with the response to fill and the request */
  uint32_t route_method;        /* TAV_METHOD_*, 0 when the function accepts any method */
  const char* route_template;   /* path template, e.g. "/tav-perks/v1/pages/{id}" */
  const uint8_t* argument_locations; /* TAV_LOCATION_* per argument, argument_count of them, owned
                                      * by the plugin; 0 when it does not say */
  uint8_t reserved[25 - 4 - 2 * sizeof(void*)]; /* 0 */
} FunctionRecord;

typedef struct FieldRecord {
  const struct FieldRecord* next;
  const char* name;
  const char* description;
  uint32_t offset;        /* byte offset in the native structure */
  uint32_t type_code;
  uint32_t element_type_code;
  const char* type_name;  /* registered type name, or "" */
  uint8_t optional;
} FieldRecord;

typedef struct EnumValueRecord {
  const struct EnumValueRecord* next;
  const char* name;
  const char* description;
  int32_t value;
} EnumValueRecord;

typedef struct TypeRecord {
  const struct TypeRecord* next;
  const char* name;
  const char* name_space;
  uint32_t native_size;
  const char* description;
  const char* const* tags;
  uint32_t tag_count;
  const FieldRecord* fields;            /* 0 when the type has no fields */
  const EnumValueRecord* enum_values;   /* 0 when the type has fields */
  uint32_t count;                       /* fields, or enumeration values when there are no fields */
} TypeRecord;

typedef struct EventRecord {
  const struct EventRecord* next;
  const char* name;
  const char* name_space;
  const char* payload_type_name;
  const char* description;
  const char* const* tags;
  uint32_t tag_count;
} EventRecord;

/* The plugin's API, handed to the core through PluginHostInfo. */
typedef struct PluginApiDescription {
  const FunctionRecord* functions;
  uint32_t function_count;
  const TypeRecord* types;
  uint32_t type_count;
  const EventRecord* events;
  uint32_t event_count;
} PluginApiDescription;

/* Given by the core to load_tav_perks and answered in place. */
typedef struct PluginHostInfo {
  uint32_t major; /* in: core's plugin-API version; out: the plugin's */
  uint32_t minor;
  uint32_t patch;
  const PluginEntryTable* entry_table;       /* out */
  void* module;                              /* out: passed back to every entry point */
  const char* short_name;                    /* out */
  const PluginApiDescription* api_description; /* out */
} PluginHostInfo;

#pragma pack(pop)

/* The plugin's only export. */
typedef void (*LoadPluginFn)(PluginHostInfo* info);
void load_tav_perks(PluginHostInfo* info);

#ifdef __cplusplus
} /* extern "C" */
#define TAV_ABI_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define TAV_ABI_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define TAV_ABI_AT(type, field, off) \
  TAV_ABI_STATIC_ASSERT(offsetof(type, field) == (off), #type "." #field " offset")
#define TAV_ABI_SIZE(type, size) TAV_ABI_STATIC_ASSERT(sizeof(type) == (size), #type " size")

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
TAV_ABI_SIZE(CoreValue, 16);
TAV_ABI_AT(CoreValue, payload, 4);
TAV_ABI_AT(CoreValue, payload.ref.length, 12);
TAV_ABI_SIZE(CoreStructEntry, 25);
TAV_ABI_AT(CoreStructEntry, value, 8);
TAV_ABI_AT(CoreStructEntry, key_owned, 24);
TAV_ABI_SIZE(CoreArgument, 24);
TAV_ABI_AT(CoreArgument, value, 8);
TAV_ABI_SIZE(CoreHeader, 16);
TAV_ABI_SIZE(PluginHostInfo, 44);
TAV_ABI_AT(PluginHostInfo, entry_table, 12);
TAV_ABI_AT(PluginHostInfo, module, 20);
TAV_ABI_AT(PluginHostInfo, short_name, 28);
TAV_ABI_AT(PluginHostInfo, api_description, 36);
TAV_ABI_SIZE(PluginInitArgs, 16);
TAV_ABI_AT(PluginInitArgs, host_context, 8);
TAV_ABI_SIZE(RequestRecord, 80);
TAV_ABI_AT(RequestRecord, url, 4);
TAV_ABI_AT(RequestRecord, arguments, 12);
TAV_ABI_AT(RequestRecord, argument_count, 20);
TAV_ABI_AT(RequestRecord, dispatch_context, 24);
TAV_ABI_AT(RequestRecord, headers, 32);
TAV_ABI_AT(RequestRecord, header_count, 40);
TAV_ABI_AT(RequestRecord, content_type, 44);
TAV_ABI_AT(RequestRecord, body, 52);
TAV_ABI_AT(RequestRecord, body_size, 60);
TAV_ABI_AT(RequestRecord, host_context, 64);
TAV_ABI_AT(RequestRecord, method_name, 72);
TAV_ABI_SIZE(ResponseRecord, 94);
TAV_ABI_AT(ResponseRecord, error, 16);
TAV_ABI_AT(ResponseRecord, error_owned, 24);
TAV_ABI_AT(ResponseRecord, flag, 25);
TAV_ABI_AT(ResponseRecord, kind, 26);
TAV_ABI_AT(ResponseRecord, status, 30);
TAV_ABI_AT(ResponseRecord, additional_text, 34);
TAV_ABI_AT(ResponseRecord, headers, 42);
TAV_ABI_AT(ResponseRecord, header_count, 50);
TAV_ABI_AT(ResponseRecord, stream_read, 54);
TAV_ABI_AT(ResponseRecord, stream_release, 62);
TAV_ABI_AT(ResponseRecord, stream_size, 70);
TAV_ABI_AT(ResponseRecord, stream, 78);
TAV_ABI_AT(ResponseRecord, record_release, 86);
TAV_ABI_SIZE(CoreEvent, 36);
TAV_ABI_AT(CoreEvent, payload, 8);
TAV_ABI_AT(CoreEvent, flag, 24);
TAV_ABI_AT(CoreEvent, context, 28);
TAV_ABI_SIZE(PluginApiDescription, 36);
TAV_ABI_AT(PluginApiDescription, function_count, 8);
TAV_ABI_AT(PluginApiDescription, types, 12);
TAV_ABI_AT(PluginApiDescription, type_count, 20);
TAV_ABI_AT(PluginApiDescription, events, 24);
TAV_ABI_AT(PluginApiDescription, event_count, 32);
TAV_ABI_SIZE(FunctionDescription, 105);
TAV_ABI_AT(FunctionDescription, zero, 8);
TAV_ABI_AT(FunctionDescription, dispatch_context, 16);
TAV_ABI_AT(FunctionDescription, name, 24);
TAV_ABI_AT(FunctionDescription, name_space, 32);
TAV_ABI_AT(FunctionDescription, arguments, 40);
TAV_ABI_AT(FunctionDescription, argument_count, 48);
TAV_ABI_AT(FunctionDescription, return_type_code, 52);
TAV_ABI_AT(FunctionDescription, return_element_type_code, 56);
TAV_ABI_AT(FunctionDescription, return_type_name, 60);
TAV_ABI_AT(FunctionDescription, description, 68);
TAV_ABI_AT(FunctionDescription, help, 76);
TAV_ABI_AT(FunctionDescription, thread_safe, 84);
TAV_ABI_AT(FunctionDescription, async_type_name, 85);
TAV_ABI_AT(FunctionDescription, tags, 93);
TAV_ABI_AT(FunctionDescription, tag_count, 101);
TAV_ABI_SIZE(FunctionRecord, 138);
TAV_ABI_AT(FunctionRecord, dispatch, 105);
TAV_ABI_AT(FunctionRecord, route_method, 113);
TAV_ABI_AT(FunctionRecord, route_template, 117);
TAV_ABI_AT(FunctionRecord, argument_locations, 125);
TAV_ABI_SIZE(ArgumentRecord, 41);
TAV_ABI_AT(ArgumentRecord, name, 8);
TAV_ABI_AT(ArgumentRecord, description, 16);
TAV_ABI_AT(ArgumentRecord, type_code, 24);
TAV_ABI_AT(ArgumentRecord, element_type_code, 28);
TAV_ABI_AT(ArgumentRecord, type_name, 32);
TAV_ABI_AT(ArgumentRecord, optional, 40);
TAV_ABI_SIZE(TypeRecord, 68);
TAV_ABI_AT(TypeRecord, name, 8);
TAV_ABI_AT(TypeRecord, name_space, 16);
TAV_ABI_AT(TypeRecord, native_size, 24);
TAV_ABI_AT(TypeRecord, description, 28);
TAV_ABI_AT(TypeRecord, tags, 36);
TAV_ABI_AT(TypeRecord, tag_count, 44);
TAV_ABI_AT(TypeRecord, fields, 48);
TAV_ABI_AT(TypeRecord, enum_values, 56);
TAV_ABI_AT(TypeRecord, count, 64);
TAV_ABI_SIZE(FieldRecord, 45);
TAV_ABI_AT(FieldRecord, name, 8);
TAV_ABI_AT(FieldRecord, description, 16);
TAV_ABI_AT(FieldRecord, offset, 24);
TAV_ABI_AT(FieldRecord, type_code, 28);
TAV_ABI_AT(FieldRecord, element_type_code, 32);
TAV_ABI_AT(FieldRecord, type_name, 36);
TAV_ABI_AT(FieldRecord, optional, 44);
TAV_ABI_SIZE(EnumValueRecord, 28);
TAV_ABI_AT(EnumValueRecord, name, 8);
TAV_ABI_AT(EnumValueRecord, description, 16);
TAV_ABI_AT(EnumValueRecord, value, 24);
TAV_ABI_SIZE(EventRecord, 52);
TAV_ABI_AT(EventRecord, name, 8);
TAV_ABI_AT(EventRecord, name_space, 16);
TAV_ABI_AT(EventRecord, payload_type_name, 24);
TAV_ABI_AT(EventRecord, description, 32);
TAV_ABI_AT(EventRecord, tags, 40);
TAV_ABI_AT(EventRecord, tag_count, 48);
TAV_ABI_SIZE(MemoryStatistics, 56);
TAV_ABI_AT(MemoryStatistics, reserved0, 48);
TAV_ABI_AT(MemoryStatistics, reserved1, 52);
#elif UINTPTR_MAX == 0xFFFFFFFFu
TAV_ABI_SIZE(CoreValue, 12);
TAV_ABI_AT(CoreValue, payload.ref.length, 8);
TAV_ABI_SIZE(CoreStructEntry, 17);
TAV_ABI_AT(CoreStructEntry, key_owned, 16);
TAV_ABI_SIZE(CoreArgument, 16);
TAV_ABI_SIZE(PluginHostInfo, 28);
TAV_ABI_SIZE(RequestRecord, 48);
TAV_ABI_AT(RequestRecord, dispatch_context, 16);
TAV_ABI_AT(RequestRecord, host_context, 40);
TAV_ABI_AT(RequestRecord, method_name, 44);
TAV_ABI_SIZE(ResponseRecord, 62);
TAV_ABI_AT(ResponseRecord, error, 12);
TAV_ABI_AT(ResponseRecord, error_owned, 16);
TAV_ABI_AT(ResponseRecord, flag, 17);
TAV_ABI_AT(ResponseRecord, kind, 18);
TAV_ABI_AT(ResponseRecord, status, 22);
TAV_ABI_AT(ResponseRecord, additional_text, 26);
TAV_ABI_AT(ResponseRecord, headers, 30);
TAV_ABI_AT(ResponseRecord, header_count, 34);
TAV_ABI_AT(ResponseRecord, stream_read, 38);
TAV_ABI_AT(ResponseRecord, stream_release, 42);
TAV_ABI_AT(ResponseRecord, stream_size, 46);
TAV_ABI_AT(ResponseRecord, stream, 54);
TAV_ABI_AT(ResponseRecord, record_release, 58);
TAV_ABI_SIZE(CoreEvent, 24);
TAV_ABI_AT(CoreEvent, flag, 16);
TAV_ABI_AT(CoreEvent, context, 20);
TAV_ABI_SIZE(PluginApiDescription, 24);
TAV_ABI_SIZE(FunctionDescription, 61);
TAV_ABI_AT(FunctionDescription, name, 12);
TAV_ABI_AT(FunctionDescription, thread_safe, 48);
TAV_ABI_AT(FunctionDescription, async_type_name, 49);
TAV_ABI_AT(FunctionDescription, tags, 53);
TAV_ABI_AT(FunctionDescription, tag_count, 57);
TAV_ABI_SIZE(FunctionRecord, 90);
TAV_ABI_AT(FunctionRecord, dispatch, 61);
TAV_ABI_AT(FunctionRecord, route_method, 65);
TAV_ABI_AT(FunctionRecord, route_template, 69);
TAV_ABI_AT(FunctionRecord, argument_locations, 73);
TAV_ABI_SIZE(ArgumentRecord, 25);
TAV_ABI_AT(ArgumentRecord, optional, 24);
TAV_ABI_SIZE(TypeRecord, 40);
TAV_ABI_AT(TypeRecord, fields, 28);
TAV_ABI_AT(TypeRecord, enum_values, 32);
TAV_ABI_AT(TypeRecord, count, 36);
TAV_ABI_SIZE(FieldRecord, 29);
TAV_ABI_AT(FieldRecord, optional, 28);
TAV_ABI_SIZE(EnumValueRecord, 16);
TAV_ABI_AT(EnumValueRecord, value, 12);
TAV_ABI_SIZE(EventRecord, 28);
TAV_ABI_AT(EventRecord, tag_count, 24);
TAV_ABI_SIZE(MemoryStatistics, 56);
#endif

#undef TAV_ABI_AT
#undef TAV_ABI_SIZE

#endif /* TAV_PLUGIN_ABI_H_ */
