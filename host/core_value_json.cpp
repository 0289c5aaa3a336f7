#include "core_value_json.h"

#include <cstring>
#include <utility>

#include "host_memory.h"

namespace tav::host {

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string EncodeBase64(const uint8_t* bytes, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    uint32_t chunk = static_cast<uint32_t>(bytes[i]) << 16;
    if (i + 1 < size) chunk |= static_cast<uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < size) chunk |= bytes[i + 2];
    out.push_back(kBase64Alphabet[(chunk >> 18) & 63]);
    out.push_back(kBase64Alphabet[(chunk >> 12) & 63]);
    out.push_back(i + 1 < size ? kBase64Alphabet[(chunk >> 6) & 63] : '=');
    out.push_back(i + 2 < size ? kBase64Alphabet[chunk & 63] : '=');
  }
  return out;
}

int Base64Digit(char c) {
  const char* at = std::strchr(kBase64Alphabet, c);
  return (c != '\0' && at != nullptr) ? static_cast<int>(at - kBase64Alphabet) : -1;
}

// Lenient: stops at the first '=' and skips characters outside the alphabet,
// since the texts come from the host's own tests and sample data.
std::string DecodeBase64(std::string_view text) {
  std::string out;
  uint32_t chunk = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    int digit = Base64Digit(c);
    if (digit < 0) continue;
    chunk = (chunk << 6) | static_cast<uint32_t>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((chunk >> bits) & 0xFF));
    }
  }
  return out;
}

bool IsBlobObject(const rapidjson::Value& json) {
  return json.IsObject() && json.MemberCount() == 1 && json.MemberBegin()->name == kBlobKey &&
         json.MemberBegin()->value.IsString();
}

std::string BlobBytes(const rapidjson::Value& json) {
  const rapidjson::Value& text = json.MemberBegin()->value;
  return DecodeBase64(std::string_view(text.GetString(), text.GetStringLength()));
}

void SetNumber(const rapidjson::Value& json, CoreValue* out) {
  if (json.IsInt64()) {
    out->kind = TAV_CORE_SIGNED;
    out->payload.i64 = json.GetInt64();
  } else if (json.IsUint64()) {
    out->kind = TAV_CORE_UNSIGNED;
    out->payload.u64 = json.GetUint64();
  } else {
    out->kind = TAV_CORE_FLOAT;
    out->payload.f64 = json.GetDouble();
  }
}

class Reader {
 public:
  Reader(rapidjson::Document::AllocatorType& allocator, std::vector<std::string>* warnings)
      : allocator_(allocator), warnings_(warnings) {}

  bool Read(const CoreValue& value, rapidjson::Value* out, const std::string& where, int depth) {
    out->SetNull();
    if (depth > kMaxCoreValueDepth) return Fail("nesting deeper than " + std::to_string(kMaxCoreValueDepth) + " at " + where);
    switch (value.kind) {
      case TAV_CORE_NULL:
        return true;
      case TAV_CORE_BOOL:
        if (value.payload.boolean > 1) Warn("bool byte " + std::to_string(value.payload.boolean) + " at " + where);
        out->SetBool(value.payload.boolean != 0);
        return true;
      case TAV_CORE_SIGNED:
        out->SetInt64(value.payload.i64);
        return true;
      case TAV_CORE_UNSIGNED:
        out->SetUint64(value.payload.u64);
        return true;
      case TAV_CORE_FLOAT:
        out->SetDouble(value.payload.f64);
        return true;
      case TAV_CORE_STRING:
      case TAV_CORE_OWNED_STRING:
        return ReadText(value, out, where);
      case TAV_CORE_BLOB:
      case TAV_CORE_OWNED_BLOB:
        return ReadBlob(value, out, where);
      case TAV_CORE_COLLECTION:
        return ReadCollection(value, out, where, depth);
      case TAV_CORE_STRUCTURE:
        return ReadStructure(value, out, where, depth);
    }
    return Fail("unknown kind " + std::to_string(value.kind) + " at " + where);
  }

  const std::string& error() const { return error_; }

 private:
  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }
  void Warn(std::string message) {
    if (warnings_ != nullptr) warnings_->push_back(std::move(message));
  }

  bool CheckArray(const CoreValue& value, const std::string& where, const char* what) {
    uint32_t count = value.payload.ref.length;
    if (count > kMaxCoreValueCount) return Fail("implausible count " + std::to_string(count) + " at " + where);
    if (count > 0 && value.payload.ref.address == nullptr) {
      return Fail(std::string("null ") + what + " of " + std::to_string(count) + " at " + where);
    }
    return true;
  }

  bool ReadText(const CoreValue& value, rapidjson::Value* out, const std::string& where) {
    const char* text = static_cast<const char*>(value.payload.ref.address);
    if (text == nullptr) return Fail("null text at " + where);
    size_t length = std::strlen(text);
    if (length != value.payload.ref.length) {
      Warn("text length word " + std::to_string(value.payload.ref.length) + " differs from its NUL position " +
           std::to_string(length) + " at " + where);
    }
    out->SetString(text, static_cast<rapidjson::SizeType>(length), allocator_);
    return true;
  }

  bool ReadBlob(const CoreValue& value, rapidjson::Value* out, const std::string& where) {
    if (!CheckArray(value, where, "bytes")) return false;
    std::string encoded = EncodeBase64(static_cast<const uint8_t*>(value.payload.ref.address), value.payload.ref.length);
    out->SetObject();
    rapidjson::Value text(encoded.c_str(), static_cast<rapidjson::SizeType>(encoded.size()), allocator_);
    out->AddMember(rapidjson::Value(kBlobKey, allocator_), text, allocator_);
    return true;
  }

  bool ReadCollection(const CoreValue& value, rapidjson::Value* out, const std::string& where, int depth) {
    if (!CheckArray(value, where, "array")) return false;
    out->SetArray();
    const CoreValue* elements = static_cast<const CoreValue*>(value.payload.ref.address);
    for (uint32_t i = 0; i < value.payload.ref.length; ++i) {
      rapidjson::Value element;
      bool ok = Read(elements[i], &element, where + "[" + std::to_string(i) + "]", depth + 1);
      out->PushBack(element, allocator_);
      if (!ok) return false;
    }
    return true;
  }

  bool ReadStructure(const CoreValue& value, rapidjson::Value* out, const std::string& where, int depth) {
    if (!CheckArray(value, where, "entry array")) return false;
    out->SetObject();
    const CoreStructEntry* entries = static_cast<const CoreStructEntry*>(value.payload.ref.address);
    for (uint32_t i = 0; i < value.payload.ref.length; ++i) {
      const CoreStructEntry& entry = entries[i];
      if (entry.key == nullptr) return Fail("null key at " + where + "{" + std::to_string(i) + "}");
      if (entry.key_owned > 1) Warn("key-owned byte " + std::to_string(entry.key_owned) + " at " + where + "." + entry.key);
      rapidjson::Value member;
      bool ok = Read(entry.value, &member, where + "." + entry.key, depth + 1);
      // A repeated key overwrites, as the plugin's own reader does.
      auto existing = out->FindMember(entry.key);
      if (existing != out->MemberEnd()) {
        Warn("repeated key at " + where + "." + entry.key);
        existing->value = member;
      } else {
        out->AddMember(rapidjson::Value(entry.key, allocator_), member, allocator_);
      }
      if (!ok) return false;
    }
    return true;
  }

  rapidjson::Document::AllocatorType& allocator_;
  std::vector<std::string>* warnings_;
  std::string error_;
};

// Builds a value whose every part comes from `allocate`, spelled with `mode`.
template <typename Allocate>
CoreValue BuildWith(const rapidjson::Value& json, TextMode mode, Allocate&& allocate) {
  CoreValue out;
  std::memset(&out, 0, sizeof(out));
  auto text_copy = [&](const char* data, size_t size) {
    char* copy = static_cast<char*>(allocate(size + 1));
    if (size > 0) std::memcpy(copy, data, size);
    copy[size] = '\0';
    return copy;
  };
  switch (json.GetType()) {
    case rapidjson::kNullType:
      return out;
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
      out.kind = TAV_CORE_BOOL;
      out.payload.boolean = json.GetBool() ? 1 : 0;
      return out;
    case rapidjson::kNumberType:
      SetNumber(json, &out);
      return out;
    case rapidjson::kStringType:
      out.kind = mode == TextMode::kOwned ? TAV_CORE_OWNED_STRING : TAV_CORE_STRING;
      out.payload.ref.address = text_copy(json.GetString(), json.GetStringLength());
      // The plugin reads texts up to the first NUL; the length word says so too.
      out.payload.ref.length = static_cast<uint32_t>(std::strlen(static_cast<const char*>(out.payload.ref.address)));
      return out;
    case rapidjson::kArrayType: {
      uint32_t count = json.Size();
      CoreValue* elements = static_cast<CoreValue*>(allocate(sizeof(CoreValue) * (count == 0 ? 1 : count)));
      for (uint32_t i = 0; i < count; ++i) elements[i] = BuildWith(json[i], mode, allocate);
      out.kind = TAV_CORE_COLLECTION;
      out.payload.ref.address = elements;
      out.payload.ref.length = count;
      return out;
    }
    case rapidjson::kObjectType: {
      if (IsBlobObject(json)) {
        std::string bytes = BlobBytes(json);
        void* copy = allocate(bytes.size());
        if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
        out.kind = mode == TextMode::kOwned ? TAV_CORE_OWNED_BLOB : TAV_CORE_BLOB;
        out.payload.ref.address = copy;
        out.payload.ref.length = static_cast<uint32_t>(bytes.size());
        return out;
      }
      uint32_t count = json.MemberCount();
      CoreStructEntry* entries =
          static_cast<CoreStructEntry*>(allocate(sizeof(CoreStructEntry) * (count == 0 ? 1 : count)));
      uint32_t i = 0;
      for (auto member = json.MemberBegin(); member != json.MemberEnd(); ++member, ++i) {
        entries[i].key = text_copy(member->name.GetString(), member->name.GetStringLength());
        entries[i].value = BuildWith(member->value, mode, allocate);
        entries[i].key_owned = mode == TextMode::kOwned ? 1 : 0;
      }
      out.kind = TAV_CORE_STRUCTURE;
      out.payload.ref.address = entries;
      out.payload.ref.length = count;
      return out;
    }
  }
  return out;
}

}  // namespace

bool ReadCoreValue(const CoreValue& value, rapidjson::Value* out, rapidjson::Document::AllocatorType& allocator,
                   std::string* error, std::vector<std::string>* warnings, std::string_view where) {
  Reader reader(allocator, warnings);
  if (reader.Read(value, out, std::string(where), 0)) return true;
  if (error != nullptr) *error = reader.error();
  return false;
}

bool ReadCoreValue(const CoreValue& value, rapidjson::Document* out, std::string* error,
                   std::vector<std::string>* warnings, std::string_view where) {
  return ReadCoreValue(value, static_cast<rapidjson::Value*>(out), out->GetAllocator(), error, warnings, where);
}

CoreValue BuildOwnedCoreValue(const rapidjson::Value& json) {
  return BuildWith(json, TextMode::kOwned, [](size_t size) {
    void* block = HostMemory::Allocate(size);
    std::memset(block, 0, size);
    return block;
  });
}

void ReleaseOwnedCoreValue(CoreValue* value) {
  if (value == nullptr) return;
  switch (value->kind) {
    case TAV_CORE_OWNED_STRING:
    case TAV_CORE_OWNED_BLOB:
      HostMemory::Free(const_cast<void*>(value->payload.ref.address));
      break;
    case TAV_CORE_COLLECTION: {
      CoreValue* elements = static_cast<CoreValue*>(const_cast<void*>(value->payload.ref.address));
      for (uint32_t i = 0; elements != nullptr && i < value->payload.ref.length; ++i) ReleaseOwnedCoreValue(&elements[i]);
      HostMemory::Free(elements);
      break;
    }
    case TAV_CORE_STRUCTURE: {
      CoreStructEntry* entries = static_cast<CoreStructEntry*>(const_cast<void*>(value->payload.ref.address));
      for (uint32_t i = 0; entries != nullptr && i < value->payload.ref.length; ++i) {
        if (entries[i].key_owned == 1) HostMemory::Free(const_cast<char*>(entries[i].key));
        ReleaseOwnedCoreValue(&entries[i].value);
      }
      HostMemory::Free(entries);
      break;
    }
    default:
      break;
  }
  std::memset(value, 0, sizeof(*value));
}

HostValueArena::~HostValueArena() {
  for (void* block : blocks_) HostMemory::Free(block);
}

CoreValue HostValueArena::Build(const rapidjson::Value& json) {
  return BuildWith(json, mode_, [this](size_t size) { return Block(size); });
}

const char* HostValueArena::Text(std::string_view text) {
  char* copy = static_cast<char*>(Block(text.size() + 1));
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  return copy;
}

void* HostValueArena::Block(size_t size) {
  void* block = HostMemory::Allocate(size);
  std::memset(block, 0, size == 0 ? 1 : size);
  blocks_.push_back(block);
  return block;
}

}  // namespace tav::host
