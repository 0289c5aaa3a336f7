// The world the plugin fuzzer runs a script in: a development core with the
// plugin loaded through its C entry point, serving the sample game data and
// playing the game customization service, which each step of the script
// changes or calls (see step_script.h). After every step that is not
// deferred the core runs until it has no work left and PluginChecks looks
// at the result.
//
// Paths in steps may be written with these names:
//   @login @gameflow @prefs-ready @config @settings-ready   the start
//   subscriptions; @settings (where stored-settings changes are reported),
//   @stored (the stored document), @prefs (its older copy), @packet (the
//   login data packet), @champ, @summoner, @runebook, @disabled (the login
//   subscriptions), @perks-doc @styles-doc @champions-doc (game data),
//   @uuid @method @telemetry (the login plugin's and telemetry's endpoints)
// and these placeholders, in paths, URLs, arguments and bodies:
//   {page:N}  the id of the N-th page of the book (0 when it is empty)
//   {current} the current page id        {shard} the plugin's shard
//   {summoner} the summoner id of the last login session set
// Service-proxy keys may be written push, styles or disabled.
//
//   GameData data = GameData::Read(dir);
//   PluginWorld world(plugin_path, data);
//   for (const Step& step : ParseScript(text)) world.Run(step);
//   world.Finish();
#ifndef TAV_FUZZ_PLUGIN_FUZZ_PLUGIN_WORLD_H_
#define TAV_FUZZ_PLUGIN_FUZZ_PLUGIN_WORLD_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>

#include "dev_core.h"
#include "plugin_fuzz/plugin_checks.h"
#include "plugin_fuzz/step_script.h"

namespace tav::fuzzing {

// The sample game data documents as JSON text.
struct GameData {
  std::string perks;
  std::string styles;
  std::string champions;

  // Reads perks.json, perkstyles.json and championperkstylemap.json;
  // aborts when one is missing or is not JSON.
  static GameData Read(const std::string& dir);
};

class PluginWorld {
 public:
  PluginWorld(const std::string& plugin_path, const GameData& data);
  PluginWorld(const PluginWorld&) = delete;
  PluginWorld& operator=(const PluginWorld&) = delete;

  void Run(const Step& step);
  // Shuts the plugin down and checks what it left behind.
  void Finish();

 private:
  // Runs the step's action; the call it made, if any, goes to `outcome`.
  void Execute(const Step& step, StepOutcome* outcome, std::optional<host::CallResult>* call);
  void Start();
  host::CallResult Request(const Step& step, bool by_index, std::string* function);
  host::CallOptions Options(const Step& step, size_t first_field) const;
  void ChangeResource(const Step& step);
  void AddFailingPeer(const Step& step);
  void AddStreamingPeer(const Step& step);
  void AnswerServiceProxy(const Step& step);
  host::PeerResponse WriteStoredDocument(const host::PeerRequest& request);
  // Keeps the checks' style bound and summoner id up to date with what a
  // step stores at `path`.
  void NoteServed(const std::string& path, const rapidjson::Value& value);

  std::string Path(std::string_view word) const;
  std::string Fill(std::string_view text) const;
  void Settle();

  host::DevCore core_;
  PluginChecks checks_;
  std::string plugin_path_;
  // TAV_FUZZ_TRACE set: every step, answer and log line on stderr, to
  // follow a saved input.
  bool trace_ = false;
  bool started_ = false;
  bool echo_writes_ = false;
  std::vector<int> added_peers_;
  std::string summoner_id_ = "0";
  uint64_t settings_writes_ = 0;
  uint64_t deferred_runs_ = 0;
};

}  // namespace tav::fuzzing

#endif  // TAV_FUZZ_PLUGIN_FUZZ_PLUGIN_WORLD_H_
