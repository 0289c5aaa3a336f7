#include "plugin_fuzz/plugin_world.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <array>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "fuzz_check.h"
#include "json_text.h"
#include "plugin_call.h"
#include "plugin_fuzz/body_encoding.h"
#include "plugin_fuzz/json_shapes.h"
#include "resource_event.h"

namespace tav::fuzzing {

namespace {

constexpr const char* kPerksDocumentPath = "/tav-game-data/assets/v1/perks.json";
constexpr const char* kStylesDocumentPath = "/tav-game-data/assets/v1/perkstyles.json";
constexpr const char* kChampionsDocumentPath = "/tav-game-data/assets/v1/championperkstylemap.json";
constexpr const char* kStoredDocumentPath = "/tav-settings/v2/account/PerksPreferences/page-settings";
constexpr const char* kStoredEventsPath = "/tav-settings/v2/PerksPreferences/page-settings";
constexpr const char* kLoginSessionPath = "/tav-login/v1/session";

// A legitimate wait ends within a few passes (service-proxy answers are
// at most 7 passes late); a core that never runs dry is stuck in a loop.
constexpr uint64_t kWaitYieldLimit = 2000;
constexpr size_t kMaxPasses = 5000;
constexpr uint32_t kMaxDelayPasses = 8;
constexpr size_t kMaxStreamChunks = 64;
constexpr uint32_t kMaxStreamChunk = 65536;

struct Alias {
  std::string_view name;
  std::string_view path;
};

// Longer names first where one is the start of another.
constexpr std::array<Alias, 19> kAliases = {{
    {"@login", kLoginSessionPath},
    {"@gameflow", "/tav-gameflow/v1/session"},
    {"@prefs-ready", "/tav-player-preferences/v1/player-preferences-ready"},
    {"@prefs", "/tav-player-preferences/v1/preference/PerksPreferences"},
    {"@config", "/tav-platform-config/v1/namespaces/Perks"},
    {"@settings-ready", "/tav-settings/v2/ready"},
    {"@settings", kStoredEventsPath},
    {"@stored", kStoredDocumentPath},
    {"@packet", "/tav-login/v1/login-data-packet"},
    {"@champions-doc", kChampionsDocumentPath},
    {"@champ", "/tav-champ-select/v1/session"},
    {"@summoner", "/tav-summoner/v1/current-summoner"},
    {"@runebook", "/tav-collections/v1/inventories/{summoner}/rune-book"},
    {"@disabled", "/vexa-messaging-service/v1/message/perks/v1/disabled/{shard}"},
    {"@perks-doc", kPerksDocumentPath},
    {"@styles-doc", kStylesDocumentPath},
    {"@uuid", host::kServiceProxyUuidPath},
    {"@method", host::kServiceProxyMethodPath},
    {"@telemetry", "/telemetry/v1/events/{table}"},
}};

std::string ServiceKey(std::string_view word) {
  if (word == "push") return "gamecustomization.setgamecustomization";
  if (word == "styles") return "gamecustomization.getgamecustomization";
  if (word == "disabled") return "gamecustomization.getdisabledgamecustomization";
  return std::string(word);
}

// The game service's reply {"error": error, "result": result}.
std::string ServiceReply(const char* error, const std::string& result) {
  rapidjson::Document reply(rapidjson::kObjectType);
  reply.AddMember("error", rapidjson::Value(error, reply.GetAllocator()), reply.GetAllocator());
  reply.AddMember("result", rapidjson::Value(result.c_str(), reply.GetAllocator()), reply.GetAllocator());
  return host::JsonText(reply);
}

uint32_t Number(std::string_view text) {
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = std::min<uint64_t>(UINT32_MAX, value * 10 + static_cast<uint64_t>(c - '0'));
  }
  return static_cast<uint32_t>(value);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  FUZZ_CHECK(file.good(), "cannot read " + path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

size_t ArraySize(const rapidjson::Value& value) { return value.IsArray() ? value.Size() : 0; }

// "4096,0,10!2=500": the chunk sizes, the read that fails, the announced size.
host::StreamPlan ParseStreamPlan(std::string_view text, std::string body) {
  host::StreamPlan plan;
  plan.body = std::move(body);
  const size_t size_mark = text.find('=');
  if (size_mark != std::string_view::npos) plan.announced_size = Number(text.substr(size_mark + 1));
  text = text.substr(0, size_mark);
  const size_t fail_mark = text.find('!');
  if (fail_mark != std::string_view::npos) plan.fail_at_read = Number(text.substr(fail_mark + 1));
  text = text.substr(0, fail_mark);
  while (!text.empty() && plan.chunks.size() < kMaxStreamChunks) {
    const size_t comma = text.find(',');
    plan.chunks.push_back(std::min(kMaxStreamChunk, Number(text.substr(0, comma))));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return plan;
}

}  // namespace

GameData GameData::Read(const std::string& dir) {
  GameData data;
  std::string* const texts[] = {&data.perks, &data.styles, &data.champions};
  const char* const names[] = {"perks.json", "perkstyles.json", "championperkstylemap.json"};
  for (size_t i = 0; i < 3; ++i) {
    rapidjson::Document doc;
    FUZZ_CHECK(host::ParseJsonText(ReadFile(dir + "/" + names[i]), &doc, nullptr),
               std::string("sample game data is not JSON: ") + names[i]);
    // Descriptions and pictures play no part in what the plugin decides,
    // and moving them through every load would cost most of an input's time.
    if (doc.IsArray()) {
      for (auto& entry : doc.GetArray()) {
        if (!entry.IsObject()) continue;
        for (const char* name : {"iconPath", "shortDesc", "longDesc", "tooltip", "assetMap"}) {
          entry.RemoveMember(name);
        }
      }
    }
    *texts[i] = host::JsonText(doc);
  }
  return data;
}

PluginWorld::PluginWorld(const std::string& plugin_path, const GameData& data)
    : checks_(core_), plugin_path_(plugin_path), trace_(std::getenv("TAV_FUZZ_TRACE") != nullptr) {
  core_.SetEchoLog(trace_);
  core_.SetWaitYieldLimit(kWaitYieldLimit);
  const rapidjson::Document styles = host::JsonValue(data.styles);
  core_.resources().SetQuietly(kPerksDocumentPath, host::JsonValue(data.perks));
  core_.resources().SetQuietly(kStylesDocumentPath, styles);
  core_.resources().SetQuietly(kChampionsDocumentPath, host::JsonValue(data.champions));
  checks_.NoteStylesServed(ArraySize(styles));

  // The game customization service as the end-to-end tests play it: every
  // sample style allowed, no perk disabled, every push accepted.
  const std::array<std::pair<const char*, std::string>, 3> replies = {{
      {"styles", ServiceReply("OK", data.styles)},
      {"disabled", ServiceReply("OK", "[]")},
      {"push", ServiceReply("OK", "")},
  }};
  for (const auto& [key, reply] : replies) {
    core_.service_proxy().SetHandler(ServiceKey(key), [reply = reply](const host::ServiceProxyCall&) {
      return host::ServiceProxyAnswer{reply, "200", ""};
    });
  }
  core_.AddPeer(TAV_METHOD_PATCH, kStoredDocumentPath,
                [this](const host::PeerRequest& request) { return WriteStoredDocument(request); });
}

void PluginWorld::Run(const Step& step) {
  if (trace_) std::fprintf(stderr, "step %d %s\n", static_cast<int>(step.verb), step.rest.substr(0, 200).c_str());
  if (step.deferred) {
    auto queued = std::make_shared<Step>(step);
    queued->deferred = false;
    core_.Post([this, queued] {
      ++deferred_runs_;
      StepOutcome ignored;
      std::optional<host::CallResult> call;
      Execute(*queued, &ignored, &call);
      if (call) checks_.CheckAnswer(*call, "deferred " + ignored.function);
    });
    return;
  }
  const uint64_t writes_before = settings_writes_;
  const uint64_t deferred_before = deferred_runs_;
  const bool started_before = started_;
  StepOutcome outcome;
  std::optional<host::CallResult> call;
  Execute(step, &outcome, &call);
  if (call) outcome.call = &*call;
  if (trace_ && call) {
    std::fprintf(stderr, "  %s -> %s %s\n", outcome.function.c_str(), call->Summary().c_str(),
                 call->ok() ? call->ValueJson().substr(0, 300).c_str() : "");
  }
  Settle();
  outcome.settings_writes = settings_writes_ - writes_before;
  // A step that started the plugin also saw everything the start did.
  outcome.interleaved = deferred_runs_ != deferred_before || !started_before;
  if (started_) checks_.AfterStep(outcome);
}

void PluginWorld::Finish() {
  Settle();
  if (!started_) return;
  checks_.AfterStep({});
  core_.Shutdown();
  checks_.AfterShutdown();
}

void PluginWorld::Execute(const Step& step, StepOutcome* outcome,
                          std::optional<host::CallResult>* call) {
  switch (step.verb) {
    case StepVerb::kStart:
      return Start();
    case StepVerb::kRequest:
    case StepVerb::kFunction:
      Start();
      *call = Request(step, step.verb == StepVerb::kFunction, &outcome->function);
      return;
    case StepVerb::kResourceEvent:
    case StepVerb::kEvent:
      Start();
      return ChangeResource(step);
    case StepVerb::kSet:
    case StepVerb::kQuiet:
    case StepVerb::kRemove:
      return ChangeResource(step);
    case StepVerb::kFail:
      return AddFailingPeer(step);
    case StepVerb::kStream:
      return AddStreamingPeer(step);
    case StepVerb::kHeal:
      if (!added_peers_.empty()) {
        core_.RemovePeer(added_peers_.back());
        added_peers_.pop_back();
      }
      return;
    case StepVerb::kProxy:
      return AnswerServiceProxy(step);
    case StepVerb::kProxyFail:
      core_.service_proxy().FailRequests(400 + Number(step.fields[0]) % 200, Unescape(step.rest));
      return;
    case StepVerb::kProxyOk:
      core_.service_proxy().ClearFailure();
      return;
    case StepVerb::kDelay:
      core_.service_proxy().SetDelayPasses(Number(step.fields[0]) % kMaxDelayPasses);
      return;
    case StepVerb::kEcho:
      echo_writes_ = step.fields[0] == "on";
      return;
    case StepVerb::kIdle:
      return;
  }
}

void PluginWorld::Start() {
  if (started_) return;
  started_ = true;
  FUZZ_CHECK(core_.Load(plugin_path_), core_.load_error());
  FUZZ_CHECK(core_.Initialize(), "Initialize answered false");
}

host::CallOptions PluginWorld::Options(const Step& step, size_t first_field) const {
  host::CallOptions options;
  options.content_type = step.fields[first_field];
  for (auto& [name, value] : ParsePairs(step.fields[first_field + 1])) {
    options.headers.emplace_back(std::move(name), Fill(value));
  }
  for (auto& [name, value] : ParsePairs(step.fields[first_field + 2])) {
    host::CallArgument& argument = options.arguments.emplace_back();
    if (name != "#") argument.name = std::move(name);
    argument.value = ParseLenient(Fill(value));
  }
  if (!step.rest.empty()) options.body = EncodeBody(Fill(step.rest));
  return options;
}

host::CallResult PluginWorld::Request(const Step& step, bool by_index, std::string* function) {
  const size_t first = by_index ? 1 : 0;
  const std::string& method_word = step.fields[first];
  const std::optional<uint32_t> code = MethodCode(method_word);
  host::CallOptions options = Options(step, first + 2);
  if (!code) options.method_name = method_word;
  const uint32_t method = code.value_or(TAV_METHOD_NAMED);
  const std::string url = Fill(Path(step.fields[first + 1]));
  if (!by_index) {
    host::CallResult result = core_.Call(method, url, std::move(options));
    *function = result.function_name;
    return result;
  }
  const auto& functions = core_.api().functions;
  FUZZ_CHECK(!functions.empty(), "the plugin offers no function");
  const host::ApiFunction& chosen = functions[Number(step.fields[0]) % functions.size()];
  *function = chosen.name;
  return host::InvokeFunction(*chosen.record, method, url, options, core_.host_context(),
                              [this] { core_.Pump(); });
}

void PluginWorld::ChangeResource(const Step& step) {
  const std::string target = step.verb == StepVerb::kEvent ? step.fields[0] : Path(step.fields[0]);
  if (target == kStoredDocumentPath && step.verb != StepVerb::kResourceEvent &&
      step.verb != StepVerb::kEvent) {
    checks_.NoteStoredDocumentChangedByPeer();
  }
  if (step.verb == StepVerb::kRemove) {
    core_.RemoveResource(target);
    return;
  }
  const rapidjson::Document value = ShapePayload(Fill(step.rest));
  switch (step.verb) {
    case StepVerb::kSet:
      NoteServed(target, value);
      core_.SetResource(target, value);
      return;
    case StepVerb::kQuiet:
      NoteServed(target, value);
      core_.resources().SetQuietly(target, value);
      return;
    case StepVerb::kEvent:
      core_.DeliverEvent(target, value);
      return;
    case StepVerb::kResourceEvent:
      break;
    default:
      return;
  }
  const std::string& type = step.fields[1];
  if (type == "Create" || type == "Update" || type == "Delete") {
    const host::ResourceEventType kind = type == "Create"   ? host::ResourceEventType::kCreate
                                         : type == "Update" ? host::ResourceEventType::kUpdate
                                                            : host::ResourceEventType::kDelete;
    core_.EmitResourceEvent(target, kind, &value);
    return;
  }
  // Any other event type, as it stands (a number, a misspelt name, ...).
  rapidjson::Document payload(rapidjson::kObjectType);
  auto& allocator = payload.GetAllocator();
  payload.AddMember("uri", rapidjson::Value(target.c_str(), allocator), allocator);
  rapidjson::Document kind = ParseLenient(type);
  payload.AddMember("eventType", rapidjson::Value(kind, allocator), allocator);
  payload.AddMember("data", rapidjson::Value(value, allocator), allocator);
  core_.DeliverEvent(host::ResourceEventName(target), payload);
  core_.DeliverEvent(host::kJsonApiEventName, payload);
}

void PluginWorld::AddFailingPeer(const Step& step) {
  const uint32_t method = MethodCode(step.fields[0]).value_or(0);
  const uint32_t status = 400 + Number(step.fields[2]) % 200;
  added_peers_.push_back(
      core_.AddPeerError(method, Path(step.fields[1]), status, Unescape(Fill(step.rest))));
}

void PluginWorld::AddStreamingPeer(const Step& step) {
  const uint32_t method = MethodCode(step.fields[0]).value_or(0);
  const std::string path = Path(step.fields[1]);
  std::string body = EncodeBody(Fill(step.rest));
  if (path == kStylesDocumentPath) NoteServed(path, ParseLenient(body));
  added_peers_.push_back(core_.AddPeerStream(method, path, ParseStreamPlan(step.fields[2], std::move(body))));
}

void PluginWorld::AnswerServiceProxy(const Step& step) {
  host::ServiceProxyAnswer answer{Unescape(Fill(step.rest)), step.fields[1], Unescape(step.fields[2])};
  core_.service_proxy().SetHandler(ServiceKey(step.fields[0]),
                                   [answer](const host::ServiceProxyCall&) { return answer; });
}

host::PeerResponse PluginWorld::WriteStoredDocument(const host::PeerRequest& request) {
  host::PeerResponse answer = core_.resources().Handle(request);
  if (answer.error) return answer;
  ++settings_writes_;
  checks_.NoteStoredDocumentWrittenByPlugin();
  if (echo_writes_) {
    // A settings plugin that reports every write back, as it reports a
    // change made by anyone else.
    const rapidjson::Document written = host::CopyJson(*core_.resources().Get(kStoredDocumentPath));
    core_.resources().SetQuietly(kStoredEventsPath, written);
    core_.EmitResourceEvent(kStoredEventsPath, host::ResourceEventType::kUpdate, &written);
  }
  return answer;
}

void PluginWorld::NoteServed(const std::string& path, const rapidjson::Value& value) {
  if (path == kStylesDocumentPath) checks_.NoteStylesServed(ArraySize(value));
  if (path == kLoginSessionPath && value.IsObject() && value.HasMember("summonerId") &&
      value["summonerId"].IsUint64()) {
    summoner_id_ = std::to_string(value["summonerId"].GetUint64());
  }
}

std::string PluginWorld::Path(std::string_view word) const {
  if (word.empty() || word.front() != '@') return Fill(word);
  for (const Alias& alias : kAliases) {
    if (word.rfind(alias.name, 0) != 0) continue;
    return Fill(std::string(alias.path) + std::string(word.substr(alias.name.size())));
  }
  return Fill(word);
}

std::string PluginWorld::Fill(std::string_view text) const {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('{', at);
    const size_t close = open == std::string_view::npos ? open : text.find('}', open);
    if (close == std::string_view::npos) break;
    out.append(text.substr(at, open - at));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const std::vector<int32_t>& ids = checks_.page_ids();
    if (name == "current") {
      out += std::to_string(checks_.current_page_id());
    } else if (name == "shard") {
      out += checks_.shard();
    } else if (name == "summoner") {
      out += summoner_id_;
    } else if (name.rfind("page:", 0) == 0) {
      out += ids.empty() ? "0" : std::to_string(ids[Number(name.substr(5)) % ids.size()]);
    } else {
      out.append(text.substr(open, close - open + 1));
    }
    at = close + 1;
  }
  out.append(text.substr(at));
  return out;
}

void PluginWorld::Settle() {
  core_.RunUntilIdle(kMaxPasses);
  FUZZ_CHECK(core_.queue().idle(), "the core never ran out of work: an endless chain of events");
}

}  // namespace tav::fuzzing
