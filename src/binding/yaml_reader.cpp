#include "binding/yaml_reader.h"

#include <yaml.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "binding/field_name_cache.h"
#include "binding/nesting_depth.h"
#include "binding/stack_tree_builder.h"
#include "binding/yaml_fast_reader.h"
#include "binding/yaml_scalar.h"
#include "log/positional_format.h"

namespace tav {
namespace {

constexpr std::string_view kMultiDocumentMessage = "Multi-document YAML is not supported.";
constexpr std::string_view kInvalidKeyMessage =
    "Invalid mapping key. Only string scalar keys are allowed. At line: %1 col: %2";
constexpr std::string_view kSequenceAsKeyMessage =
    "Unexpected start of sequence. At line: %1 col: %2";
constexpr std::string_view kMappingAsKeyMessage =
    "Unexpected start of mapping. At line: %1 col: %2";
constexpr std::string_view kCyclicAliasMessage =
    "Cannot deserialize cyclic aliases. Alias \"%1\". At line: %2 col: %3";
constexpr std::string_view kUndefinedAliasMessage =
    "Undefined alias encountered: \"%1\". At line: %2 col: %3";
constexpr std::string_view kDuplicateAnchorMessage =
    "Duplicate occurrence of anchor \"%1\". At line: %2 col: %3";
constexpr std::string_view kParserErrorMessage = "YAML parser error: %1. At line: %2 col: %3";
constexpr std::string_view kTooDeepMessage =
    "Containers are nested deeper than %1 levels. At line: %2 col: %3";
constexpr std::string_view kAliasBudgetMessage =
    "YAML aliases expand to more than %1 values. At line: %2 col: %3";

// Owns one event from yaml_parser_parse until it is deleted.
class ScopedEvent {
 public:
  ScopedEvent() = default;
  ~ScopedEvent() { Release(); }
  ScopedEvent(const ScopedEvent&) = delete;
  ScopedEvent& operator=(const ScopedEvent&) = delete;

  yaml_event_t* Fill() {
    Release();
    filled_ = true;
    return &event_;
  }
  const yaml_event_t& get() const { return event_; }
  void Release() {
    if (filled_) yaml_event_delete(&event_);
    filled_ = false;
  }

 private:
  yaml_event_t event_{};
  bool filled_ = false;
};

// Owns an initialised parser.
class ScopedParser {
 public:
  ScopedParser() { initialized_ = yaml_parser_initialize(&parser_) != 0; }
  ~ScopedParser() { yaml_parser_delete(&parser_); }
  ScopedParser(const ScopedParser&) = delete;
  ScopedParser& operator=(const ScopedParser&) = delete;

  bool initialized() const { return initialized_; }
  yaml_parser_t* get() { return &parser_; }

 private:
  yaml_parser_t parser_{};
  bool initialized_ = false;
};

std::string ParserErrorMessage(const yaml_parser_t& parser) {
  const char* problem = parser.problem;
  if (problem == nullptr) {
    problem = parser.error == YAML_MEMORY_ERROR ? "out of memory" : "unknown error";
  }
  return FormatMessage(kParserErrorMessage, problem, parser.problem_mark.line,
                       parser.problem_mark.column);
}

const char* AsText(const yaml_char_t* text) { return reinterpret_cast<const char*>(text); }

// Line and column of an event for messages, counting from 1.
struct Position {
  size_t line;
  size_t column;
};

Position PositionOf(const yaml_event_t& event) {
  return {event.start_mark.line + 1, event.start_mark.column + 1};
}

// How a node is reached from its parent.
enum class StepKind : uint8_t { kRoot, kIndex, kKey };

// One node of the recorded paths. Paths are stored as a tree of steps that
// share their common prefixes, so that many anchors deep inside one document
// cost one step each, not a copy of the whole path.
struct PathNode {
  uint32_t parent;
  StepKind kind;
  size_t index;
  std::string key;
};

constexpr uint32_t kRootPath = 0;

enum class AnchorKind : uint8_t { kKey, kScalar, kContainer };

struct Anchor {
  AnchorKind kind = AnchorKind::kScalar;
  // A container whose end has not been seen yet; an alias to it is a cycle.
  bool open = false;
  // A scalar that may also stand as a mapping key (untagged or !!str).
  bool usable_as_key = false;
  uint32_t path = kRootPath;
  // The key text of an anchored key, or the text of an anchored scalar.
  std::string text;
};

// An open sequence or mapping.
struct Frame {
  BindingProperty* cell;
  bool mapping;
  StepKind step_kind;
  size_t step_index;
  std::string step_key;
  int64_t path = -1;  // index into the path tree, made when an anchor needs it
  Anchor* anchor = nullptr;
};

// Where the next node goes: a cell and the step that reaches it, or a key.
struct Target {
  BindingProperty* cell = nullptr;  // null: the node is a mapping key
  StepKind step_kind = StepKind::kRoot;
  size_t step_index = 0;
};

class YamlTreeBuilder {
 public:
  YamlTreeBuilder(BindingResult& result, size_t input_size)
      : result_(result),
        alias_cells_limit_(std::max(kMinYamlAliasCells, kYamlAliasCellsPerInputByte * input_size)),
        alias_cells_left_(alias_cells_limit_) {
    path_nodes_.push_back(PathNode{kRootPath, StepKind::kRoot, 0, {}});
    frames_.reserve(16);
  }

  // Applies one event. False once the result has failed.
  bool Handle(const yaml_event_t& event);

 private:
  bool Fail(std::string message) {
    // The tree, and with it every cell the frames point to, is gone now.
    frames_.clear();
    result_.Fail(message);
    return false;
  }
  bool FailAt(std::string_view format, const yaml_event_t& event) {
    Position at = PositionOf(event);
    return Fail(FormatMessage(format, at.line, at.column));
  }
  bool FailAt(std::string_view format, std::string_view name, const yaml_event_t& event) {
    Position at = PositionOf(event);
    return Fail(FormatMessage(format, name, at.line, at.column));
  }

  bool InKeyPosition() const {
    return !frames_.empty() && frames_.back().mapping && !has_pending_key_;
  }
  Target SelectTarget();
  // The path of the node at `target`, made of the open containers' steps.
  uint32_t RecordPath(const Target& target);
  uint32_t MaterializeOpenPath();
  Anchor* DefineAnchor(const yaml_char_t* name, const yaml_event_t& event);

  bool OnDocumentStart();
  bool OnScalar(const yaml_event_t& event);
  bool OnContainerStart(const yaml_event_t& event, bool mapping);
  bool OnContainerEnd();
  bool OnAlias(const yaml_event_t& event);
  bool SetKey(std::string_view text);
  const BindingProperty* FollowPath(uint32_t path, const BindingProperty* target,
                                    bool& passes_target);
  bool IsOpenContainer(const BindingProperty* cell) const;
  bool FitsLimits(const BindingProperty& node, size_t enclosing, size_t& cells_left,
                  bool& too_deep) const;

  BindingResult& result_;
  YamlScalarResolver resolver_;
  std::vector<Frame> frames_;
  FieldNameCache names_;
  std::string pending_key_;
  bool has_pending_key_ = false;
  std::vector<PathNode> path_nodes_;
  std::unordered_map<std::string, Anchor> anchors_;
  std::vector<uint32_t> walk_;  // scratch for FollowPath
  const size_t alias_cells_limit_;
  size_t alias_cells_left_;
  std::string error_;
};

bool YamlTreeBuilder::Handle(const yaml_event_t& event) {
  switch (event.type) {
    case YAML_NO_EVENT:
    case YAML_STREAM_START_EVENT:
    case YAML_STREAM_END_EVENT:
    case YAML_DOCUMENT_END_EVENT:
      return true;
    case YAML_DOCUMENT_START_EVENT:
      return OnDocumentStart();
    case YAML_SCALAR_EVENT:
      return OnScalar(event);
    case YAML_SEQUENCE_START_EVENT:
      return OnContainerStart(event, /*mapping=*/false);
    case YAML_MAPPING_START_EVENT:
      return OnContainerStart(event, /*mapping=*/true);
    case YAML_SEQUENCE_END_EVENT:
    case YAML_MAPPING_END_EVENT:
      return OnContainerEnd();
    case YAML_ALIAS_EVENT:
      return OnAlias(event);
  }
  return true;
}

Target YamlTreeBuilder::SelectTarget() {
  Target target;
  if (frames_.empty()) {
    target.cell = &result_.value();
    return target;
  }
  Frame& top = frames_.back();
  if (!top.mapping) {
    target.step_kind = StepKind::kIndex;
    target.step_index = top.cell->size();
    target.cell = &top.cell->Append();
    return target;
  }
  if (!has_pending_key_) return target;
  // The field is reused when the key repeats: a later scalar replaces the
  // earlier value, a later container of the same kind adds to it.
  has_pending_key_ = false;
  target.step_kind = StepKind::kKey;
  target.cell = &names_.Field(*top.cell, frames_.size(), pending_key_);
  return target;
}

uint32_t YamlTreeBuilder::MaterializeOpenPath() {
  size_t first = frames_.size();
  while (first > 0 && frames_[first - 1].path < 0) --first;
  uint32_t parent = first == 0 ? kRootPath : static_cast<uint32_t>(frames_[first - 1].path);
  for (size_t i = first; i < frames_.size(); ++i) {
    Frame& frame = frames_[i];
    if (frame.step_kind != StepKind::kRoot) {
      path_nodes_.push_back(PathNode{parent, frame.step_kind, frame.step_index, frame.step_key});
      parent = static_cast<uint32_t>(path_nodes_.size() - 1);
    }
    frame.path = parent;
  }
  return parent;
}

uint32_t YamlTreeBuilder::RecordPath(const Target& target) {
  uint32_t parent = MaterializeOpenPath();
  if (target.step_kind == StepKind::kRoot) return parent;
  path_nodes_.push_back(
      PathNode{parent, target.step_kind, target.step_index,
               target.step_kind == StepKind::kKey ? pending_key_ : std::string()});
  return static_cast<uint32_t>(path_nodes_.size() - 1);
}

Anchor* YamlTreeBuilder::DefineAnchor(const yaml_char_t* name, const yaml_event_t& event) {
  auto [it, inserted] = anchors_.try_emplace(AsText(name));
  if (!inserted) {
    FailAt(kDuplicateAnchorMessage, AsText(name), event);
    return nullptr;
  }
  return &it->second;
}

bool YamlTreeBuilder::OnDocumentStart() {
  // An empty first document does not count as a document of its own.
  if (!result_.value().isEmpty()) return Fail(std::string(kMultiDocumentMessage));
  return true;
}

bool YamlTreeBuilder::SetKey(std::string_view text) {
  pending_key_.assign(text.data(), text.size());
  has_pending_key_ = true;
  return true;
}

bool YamlTreeBuilder::OnScalar(const yaml_event_t& event) {
  const auto& scalar = event.data.scalar;
  const char* tag = AsText(scalar.tag);
  std::string_view text(AsText(scalar.value), scalar.length);
  if (InKeyPosition()) {
    if (tag != nullptr && tag != kYamlStrTag) return FailAt(kInvalidKeyMessage, event);
    SetKey(text);
    if (scalar.anchor != nullptr) {
      Anchor* anchor = DefineAnchor(scalar.anchor, event);
      if (anchor == nullptr) return false;
      anchor->kind = AnchorKind::kKey;
      anchor->text = pending_key_;
    }
    return true;
  }

  Target target = SelectTarget();
  if (scalar.anchor != nullptr) {
    Anchor* anchor = DefineAnchor(scalar.anchor, event);
    if (anchor == nullptr) return false;
    anchor->kind = AnchorKind::kScalar;
    anchor->usable_as_key = tag == nullptr || tag == kYamlStrTag;
    anchor->text.assign(text);
    anchor->path = RecordPath(target);
  }
  bool quoted = scalar.style == YAML_SINGLE_QUOTED_SCALAR_STYLE ||
                scalar.style == YAML_DOUBLE_QUOTED_SCALAR_STYLE;
  if (!resolver_.Resolve(tag, text, quoted, *target.cell, error_)) return Fail(std::move(error_));
  return true;
}

bool YamlTreeBuilder::OnContainerStart(const yaml_event_t& event, bool mapping) {
  if (InKeyPosition()) {
    return FailAt(mapping ? kMappingAsKeyMessage : kSequenceAsKeyMessage, event);
  }
  if (frames_.size() >= kMaxNestingDepth) {
    Position at = PositionOf(event);
    return Fail(FormatMessage(kTooDeepMessage, kMaxNestingDepth, at.line, at.column));
  }
  const yaml_char_t* anchor_name =
      mapping ? event.data.mapping_start.anchor : event.data.sequence_start.anchor;
  Anchor* anchor = nullptr;
  if (anchor_name != nullptr) {
    anchor = DefineAnchor(anchor_name, event);
    if (anchor == nullptr) return false;
  }

  Target target = SelectTarget();
  if (mapping) {
    target.cell->MakeStructure();
  } else {
    target.cell->MakeCollection();
  }
  Frame& frame = frames_.emplace_back();
  frame.cell = target.cell;
  frame.mapping = mapping;
  frame.step_kind = target.step_kind;
  frame.step_index = target.step_index;
  if (target.step_kind == StepKind::kKey) frame.step_key.swap(pending_key_);
  if (anchor != nullptr) {
    anchor->kind = AnchorKind::kContainer;
    anchor->open = true;
    anchor->path = MaterializeOpenPath();
    frame.anchor = anchor;
  }
  if (mapping) {
    names_.BeginObject(*frame.cell, frames_.size());
  } else {
    names_.BeginArray(*frame.cell, frames_.size());
  }
  return true;
}

bool YamlTreeBuilder::OnContainerEnd() {
  if (frames_.empty()) return true;
  if (!frames_.back().mapping) names_.EndArray(*frames_.back().cell, frames_.size());
  if (frames_.back().anchor != nullptr) frames_.back().anchor->open = false;
  frames_.pop_back();
  has_pending_key_ = false;
  return true;
}

const BindingProperty* YamlTreeBuilder::FollowPath(uint32_t path, const BindingProperty* target,
                                                   bool& passes_target) {
  walk_.clear();
  for (uint32_t node = path; node != kRootPath; node = path_nodes_[node].parent) {
    walk_.push_back(node);
  }
  const BindingProperty* cell = &result_.value();
  passes_target = false;
  for (auto it = walk_.rbegin(); it != walk_.rend(); ++it) {
    if (cell == target) passes_target = true;
    const PathNode& step = path_nodes_[*it];
    cell = step.kind == StepKind::kIndex ? &(*cell)[step.index] : &(*cell)[step.key];
  }
  return cell;
}

bool YamlTreeBuilder::IsOpenContainer(const BindingProperty* cell) const {
  for (const Frame& frame : frames_) {
    if (frame.cell == cell) return true;
  }
  return false;
}

bool YamlTreeBuilder::FitsLimits(const BindingProperty& node, size_t enclosing, size_t& cells_left,
                                 bool& too_deep) const {
  if (cells_left == 0) return false;
  --cells_left;
  switch (node.kind()) {
    case BindingPropertyKind::kCollection:
      if (enclosing >= kMaxNestingDepth) {
        too_deep = true;
        return false;
      }
      for (const BindingProperty& element : node.Elements()) {
        if (!FitsLimits(element, enclosing + 1, cells_left, too_deep)) return false;
      }
      return true;
    case BindingPropertyKind::kStructure:
      if (enclosing >= kMaxNestingDepth) {
        too_deep = true;
        return false;
      }
      for (const BindingStructEntry& field : node.Fields()) {
        if (!FitsLimits(field.value, enclosing + 1, cells_left, too_deep)) return false;
      }
      return true;
    case BindingPropertyKind::kEmpty:
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kString:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kEnum:
      return true;
  }
  return true;
}

bool YamlTreeBuilder::OnAlias(const yaml_event_t& event) {
  const char* name = AsText(event.data.alias.anchor);
  auto found = anchors_.find(name);
  if (found != anchors_.end() && found->second.open) {
    return FailAt(kCyclicAliasMessage, name, event);
  }
  if (found == anchors_.end()) return FailAt(kUndefinedAliasMessage, name, event);
  const Anchor& anchor = found->second;

  if (InKeyPosition()) {
    // An alias stands as a key when it repeats a key or a string scalar.
    if (anchor.kind == AnchorKind::kKey ||
        (anchor.kind == AnchorKind::kScalar && anchor.usable_as_key)) {
      return SetKey(anchor.text);
    }
    return FailAt(kInvalidKeyMessage, event);
  }

  Target target = SelectTarget();
  if (anchor.kind == AnchorKind::kKey) {
    if (alias_cells_left_ == 0) {
      Position at = PositionOf(event);
      return Fail(FormatMessage(kAliasBudgetMessage, alias_cells_limit_, at.line, at.column));
    }
    --alias_cells_left_;
    target.cell->SetString(anchor.text);
    return true;
  }

  bool passes_target = false;
  const BindingProperty* source = FollowPath(anchor.path, target.cell, passes_target);
  if (source == target.cell) return true;
  // A container that was closed and then reopened by a repeated key can be
  // an ancestor of the alias: copying it into itself would never end.
  if (IsOpenContainer(source)) return FailAt(kCyclicAliasMessage, name, event);

  size_t cells_left = alias_cells_left_;
  bool too_deep = false;
  if (!FitsLimits(*source, frames_.size(), cells_left, too_deep)) {
    Position at = PositionOf(event);
    if (too_deep) {
      return Fail(FormatMessage(kTooDeepMessage, kMaxNestingDepth, at.line, at.column));
    }
    return Fail(FormatMessage(kAliasBudgetMessage, alias_cells_limit_, at.line, at.column));
  }
  alias_cells_left_ = cells_left;

  if (passes_target) {
    // The source lies inside the target, which the copy clears first.
    BindingProperty copy = source->Clone();
    target.cell->Assign(copy);
  } else {
    target.cell->Assign(*source);
  }
  return true;
}

// The quick pass: builds a document that has no anchor and no alias
// bottom-up with StackTreeBuilder, with the same checks and messages as
// YamlTreeBuilder. An anchor, an alias or a key repeated in one mapping
// hands the whole text to YamlTreeBuilder.
class QuickYamlBuilder {
 public:
  enum class Outcome { kGoOn, kFailed, kNeedsFullBuilder };

  explicit QuickYamlBuilder(BindingResult& result) : result_(result) {}

  Outcome Handle(const yaml_event_t& event);
  void Finish() { builder_.Finish(result_.value()); }

 private:
  Outcome Fail(std::string message) {
    result_.Fail(message);
    return Outcome::kFailed;
  }
  Outcome FailAt(std::string_view format, const yaml_event_t& event) {
    const Position at = PositionOf(event);
    return Fail(FormatMessage(format, at.line, at.column));
  }
  bool InKeyPosition() const { return builder_.in_object() && !has_pending_key_; }
  Outcome OnScalar(const yaml_event_t& event);
  Outcome OnContainerStart(const yaml_event_t& event, bool mapping);

  BindingResult& result_;
  StackTreeBuilder builder_;
  YamlScalarResolver resolver_;
  bool has_pending_key_ = false;
  std::string error_;
};

QuickYamlBuilder::Outcome QuickYamlBuilder::Handle(const yaml_event_t& event) {
  // Tested apart: most events are scalars, and a branch that nearly always
  // goes one way is cheaper than the jump of a switch.
  if (event.type == YAML_SCALAR_EVENT) return OnScalar(event);
  switch (event.type) {
    case YAML_NO_EVENT:
    case YAML_STREAM_START_EVENT:
    case YAML_STREAM_END_EVENT:
    case YAML_DOCUMENT_END_EVENT:
      return Outcome::kGoOn;
    case YAML_DOCUMENT_START_EVENT:
      // An empty first document does not count as a document of its own.
      if (!builder_.root().isEmpty()) return Fail(std::string(kMultiDocumentMessage));
      return Outcome::kGoOn;
    case YAML_SCALAR_EVENT:
      return OnScalar(event);
    case YAML_SEQUENCE_START_EVENT:
      return OnContainerStart(event, /*mapping=*/false);
    case YAML_MAPPING_START_EVENT:
      return OnContainerStart(event, /*mapping=*/true);
    case YAML_SEQUENCE_END_EVENT:
      builder_.EndArray();
      has_pending_key_ = false;
      return Outcome::kGoOn;
    case YAML_MAPPING_END_EVENT:
      has_pending_key_ = false;
      return builder_.EndObject() ? Outcome::kGoOn : Outcome::kNeedsFullBuilder;
    case YAML_ALIAS_EVENT:
      return Outcome::kNeedsFullBuilder;
  }
  return Outcome::kGoOn;
}

QuickYamlBuilder::Outcome QuickYamlBuilder::OnScalar(const yaml_event_t& event) {
  const auto& scalar = event.data.scalar;
  if (scalar.anchor != nullptr) return Outcome::kNeedsFullBuilder;
  const char* tag = AsText(scalar.tag);
  std::string_view text(AsText(scalar.value), scalar.length);
  if (InKeyPosition()) {
    if (tag != nullptr && tag != kYamlStrTag) return FailAt(kInvalidKeyMessage, event);
    builder_.Key(text);
    has_pending_key_ = true;
    return Outcome::kGoOn;
  }
  has_pending_key_ = false;
  const bool quoted = scalar.style == YAML_SINGLE_QUOTED_SCALAR_STYLE ||
                      scalar.style == YAML_DOUBLE_QUOTED_SCALAR_STYLE;
  if (tag == nullptr && !quoted) {
    // Untagged plain scalars, nearly every value of a document, go straight
    // to the builder.
    AddPlainYamlScalar(text, builder_);
    return Outcome::kGoOn;
  }
  if (!resolver_.Resolve(tag, text, quoted, builder_.Value(), error_)) {
    return Fail(std::move(error_));
  }
  return Outcome::kGoOn;
}

QuickYamlBuilder::Outcome QuickYamlBuilder::OnContainerStart(const yaml_event_t& event,
                                                             bool mapping) {
  if (InKeyPosition()) {
    return FailAt(mapping ? kMappingAsKeyMessage : kSequenceAsKeyMessage, event);
  }
  const yaml_char_t* anchor =
      mapping ? event.data.mapping_start.anchor : event.data.sequence_start.anchor;
  if (anchor != nullptr) return Outcome::kNeedsFullBuilder;
  has_pending_key_ = false;
  if (!(mapping ? builder_.BeginObject() : builder_.BeginArray())) {
    const Position at = PositionOf(event);
    return Fail(FormatMessage(kTooDeepMessage, kMaxNestingDepth, at.line, at.column));
  }
  return Outcome::kGoOn;
}

// Starts a parser over `text`; false, with the result failed, when libyaml
// cannot make one.
bool StartParser(ScopedParser& parser, std::string_view text, BindingResult& result) {
  if (!parser.initialized()) {
    result.Fail(ParserErrorMessage(*parser.get()));
    return false;
  }
  yaml_parser_set_encoding(parser.get(), YAML_UTF8_ENCODING);
  yaml_parser_set_input_string(parser.get(), reinterpret_cast<const unsigned char*>(text.data()),
                               text.size());
  return true;
}

// Reads the text with the quick pass; false when it needs YamlTreeBuilder
// (`result` is then untouched).
bool ReadQuickly(std::string_view text, BindingResult& result) {
  ScopedParser parser;
  if (!StartParser(parser, text, result)) return true;
  QuickYamlBuilder builder(result);
  ScopedEvent event;
  for (;;) {
    if (!yaml_parser_parse(parser.get(), event.Fill())) {
      result.Fail(ParserErrorMessage(*parser.get()));
      return true;
    }
    switch (builder.Handle(event.get())) {
      case QuickYamlBuilder::Outcome::kGoOn:
        break;
      case QuickYamlBuilder::Outcome::kFailed:
        return true;
      case QuickYamlBuilder::Outcome::kNeedsFullBuilder:
        return false;
    }
    if (event.get().type == YAML_STREAM_END_EVENT) {
      builder.Finish();
      return true;
    }
  }
}

}  // namespace

BindingResult ParseYaml(std::string_view text) {
  BindingResult result;
  if (ReadYamlFast(text, result.value())) return result;
  return yaml_internal::ParseYamlWithLibyaml(text);
}

BindingResult yaml_internal::ParseYamlWithLibyaml(std::string_view text) {
  BindingResult result;
  if (ReadQuickly(text, result)) return result;
  ScopedParser parser;
  if (!StartParser(parser, text, result)) return result;
  YamlTreeBuilder builder(result, text.size());
  ScopedEvent event;
  for (;;) {
    if (!yaml_parser_parse(parser.get(), event.Fill())) {
      result.Fail(ParserErrorMessage(*parser.get()));
      break;
    }
    if (!builder.Handle(event.get())) break;
    if (event.get().type == YAML_STREAM_END_EVENT) break;
  }
  return result;
}

}  // namespace tav
