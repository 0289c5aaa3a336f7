#include "plugin_fuzz/json_shapes.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tav::fuzzing {

namespace {

using Allocator = rapidjson::Document::AllocatorType;

size_t Number(std::string_view text, size_t limit) {
  size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = std::min(limit, value * 10 + static_cast<size_t>(c - '0'));
  }
  return value;
}

// The first member named `key`, depth first; null when there is none. A
// work list instead of recursion: values may be nested deeply.
rapidjson::Value* FindMember(rapidjson::Value& root, std::string_view key) {
  std::vector<rapidjson::Value*> pending{&root};
  while (!pending.empty()) {
    rapidjson::Value* value = pending.back();
    pending.pop_back();
    if (value->IsObject()) {
      for (auto& member : value->GetObject()) {
        if (std::string_view(member.name.GetString(), member.name.GetStringLength()) == key) {
          return &member.value;
        }
      }
      for (auto member = value->MemberEnd(); member != value->MemberBegin();) {
        --member;
        pending.push_back(&member->value);
      }
    } else if (value->IsArray()) {
      for (auto element = value->End(); element != value->Begin();) pending.push_back(--element);
    }
  }
  return nullptr;
}

rapidjson::Value* FindFirst(rapidjson::Value& root, bool (rapidjson::Value::*is_kind)() const) {
  std::vector<rapidjson::Value*> pending{&root};
  while (!pending.empty()) {
    rapidjson::Value* value = pending.back();
    pending.pop_back();
    if ((value->*is_kind)()) return value;
    if (value->IsObject()) {
      for (auto member = value->MemberEnd(); member != value->MemberBegin();) {
        --member;
        pending.push_back(&member->value);
      }
    } else if (value->IsArray()) {
      for (auto element = value->End(); element != value->Begin();) pending.push_back(--element);
    }
  }
  return nullptr;
}

rapidjson::Value* Target(rapidjson::Document& doc, std::string_view key) {
  if (key.empty()) return &doc;
  return FindMember(doc, key);
}

void Deepen(rapidjson::Value& target, size_t levels, Allocator& allocator) {
  for (size_t level = 0; level < levels; ++level) {
    rapidjson::Value inner(std::move(target));
    if (level % 2 == 0) {
      target.SetArray();
      target.PushBack(inner, allocator);
    } else {
      target.SetObject();
      target.AddMember("n", inner, allocator);
    }
  }
}

void Enlarge(rapidjson::Value& target, size_t count, Allocator& allocator) {
  if (!target.IsArray()) {
    rapidjson::Value element(std::move(target));
    target.SetArray();
    target.PushBack(element, allocator);
  }
  const size_t given = target.Size();
  if (given == 0) {
    for (size_t i = 0; i < count; ++i) target.PushBack(0, allocator);
    return;
  }
  while (target.Size() > count) target.PopBack();
  for (size_t i = given; i < count; ++i) {
    rapidjson::Value copy(target[static_cast<rapidjson::SizeType>(i % given)], allocator);
    target.PushBack(copy, allocator);
  }
}

void Drop(rapidjson::Document& doc, std::string_view key) {
  std::vector<rapidjson::Value*> pending{&doc};
  while (!pending.empty()) {
    rapidjson::Value* value = pending.back();
    pending.pop_back();
    if (value->IsObject()) {
      for (auto member = value->MemberBegin(); member != value->MemberEnd(); ++member) {
        if (std::string_view(member->name.GetString(), member->name.GetStringLength()) == key) {
          value->EraseMember(member);
          return;
        }
      }
      for (auto member = value->MemberEnd(); member != value->MemberBegin();) {
        --member;
        pending.push_back(&member->value);
      }
    } else if (value->IsArray()) {
      for (auto element = value->End(); element != value->Begin();) pending.push_back(--element);
    }
  }
}

void Set(rapidjson::Document& doc, std::string_view key, std::string_view json) {
  rapidjson::Document replacement = ParseLenient(json);
  rapidjson::Value value(replacement, doc.GetAllocator());
  if (rapidjson::Value* member = FindMember(doc, key)) {
    *member = std::move(value);
    return;
  }
  rapidjson::Value* object = FindFirst(doc, &rapidjson::Value::IsObject);
  if (object == nullptr) return;
  object->AddMember(rapidjson::Value(key.data(), static_cast<rapidjson::SizeType>(key.size()),
                                     doc.GetAllocator()),
                    value, doc.GetAllocator());
}

void AddExtra(rapidjson::Document& doc, size_t count) {
  rapidjson::Value* object = FindFirst(doc, &rapidjson::Value::IsObject);
  if (object == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    const std::string name = "extra" + std::to_string(i);
    object->AddMember(rapidjson::Value(name.c_str(), doc.GetAllocator()),
                      rapidjson::Value(static_cast<uint64_t>(i)), doc.GetAllocator());
  }
}

// One operator token without its "%": name, then up to two ":"-separated
// arguments (the second takes the rest, colons included).
void Apply(rapidjson::Document& doc, std::string_view token) {
  const size_t first = token.find(':');
  const std::string_view name = token.substr(0, first);
  std::string_view argument = first == std::string_view::npos ? "" : token.substr(first + 1);
  const size_t second = argument.find(':');
  const std::string_view rest = second == std::string_view::npos ? "" : argument.substr(second + 1);
  argument = argument.substr(0, second);
  if (name == "deep") {
    if (rapidjson::Value* target = Target(doc, rest)) {
      Deepen(*target, Number(argument, kMaxShapeDepth), doc.GetAllocator());
    }
  } else if (name == "huge") {
    rapidjson::Value* target =
        rest.empty() ? FindFirst(doc, &rapidjson::Value::IsArray) : FindMember(doc, rest);
    if (target == nullptr) target = &doc;
    Enlarge(*target, Number(argument, kMaxShapeElements), doc.GetAllocator());
  } else if (name == "drop") {
    Drop(doc, argument);
  } else if (name == "set") {
    Set(doc, argument, rest);
  } else if (name == "extra") {
    AddExtra(doc, Number(argument, kMaxExtraMembers));
  }
}

}  // namespace

bool HasShapeOperators(std::string_view text) { return !text.empty() && text.front() == '%'; }

rapidjson::Document ParseLenient(std::string_view text) {
  rapidjson::Document doc;
  if (text.empty()) return doc;
  doc.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseNanAndInfFlag>(text.data(),
                                                                              text.size());
  if (!doc.HasParseError()) return doc;
  doc.SetString(text.data(), static_cast<rapidjson::SizeType>(text.size()), doc.GetAllocator());
  return doc;
}

rapidjson::Document ShapePayload(std::string_view text) {
  std::vector<std::string_view> operators;
  while (HasShapeOperators(text)) {
    const size_t space = text.find(' ');
    operators.push_back(text.substr(1, space == std::string_view::npos ? space : space - 1));
    text = space == std::string_view::npos ? "" : text.substr(space + 1);
  }
  rapidjson::Document doc = ParseLenient(text);
  for (std::string_view token : operators) Apply(doc, token);
  return doc;
}

}  // namespace tav::fuzzing
