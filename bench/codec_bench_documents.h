// The documents the codec benchmarks read and write, generated here with a
// fixed seed: a stored-settings document of perk books (~1 MiB), a perk
// catalogue with long texts (~300 perks) and a mixed document (~2 MiB) with
// every kind of number, nesting and escapes; and the three documents of many
// small objects of small_object_documents.h. All names are invented.
#ifndef TAV_BENCH_CODEC_BENCH_DOCUMENTS_H_
#define TAV_BENCH_CODEC_BENCH_DOCUMENTS_H_

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "small_object_documents.h"

namespace tav_bench {

using JsonTextWriter = rapidjson::Writer<rapidjson::StringBuffer>;

inline const char* const kWords[] = {
    "ember", "tide", "hollow", "quartz", "lantern", "drift", "thorn", "gale", "marrow", "cinder",
    "vessel", "bramble", "echo", "shard", "warden", "ripple", "sable", "frost", "tempest", "bloom"};

inline std::string Words(std::mt19937& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i != 0) text += ' ';
    text += kWords[random() % 20];
  }
  return text;
}

inline void Page(JsonTextWriter& w, std::mt19937& random, int64_t id, int order) {
  w.StartObject();
  w.Key("autoModifiedSelections");
  w.StartArray();
  if (random() % 4 == 0) w.Int(8000 + static_cast<int>(random() % 300));
  w.EndArray();
  w.Key("current");
  w.Bool(order == 0);
  w.Key("id");
  w.Int64(id);
  w.Key("isActive");
  w.Bool(random() % 2 == 0);
  w.Key("name");
  w.String(("Page " + Words(random, 2)).c_str());
  w.Key("order");
  w.Int(order);
  w.Key("primaryStyleId");
  w.Int(8000 + 100 * static_cast<int>(random() % 5));
  w.Key("selectedPerkIds");
  w.StartArray();
  for (int i = 0; i < 6; ++i) w.Int(8000 + static_cast<int>(random() % 400));
  w.EndArray();
  w.Key("subStyleId");
  w.Int(8000 + 100 * static_cast<int>(random() % 5));
  w.EndObject();
}

// {"data":{"pages":[...],"perShardPerkBooks":{...},"settings":{...}},"schemaVersion":5}
inline std::string SettingsDocument() {
  std::mt19937 random(11);
  rapidjson::StringBuffer buffer;
  JsonTextWriter w(buffer);
  w.StartObject();
  w.Key("data");
  w.StartObject();
  w.Key("pages");
  w.StartArray();
  for (int i = 0; i < 20; ++i) Page(w, random, 50000 + i, i);
  w.EndArray();
  w.Key("perShardPerkBooks");
  w.StartObject();
  const char* const shards[] = {"ashvale1", "brinefall2", "coldharbor3", "duskmere4", "emberreach5"};
  for (const char* shard : shards) {
    w.Key(shard);
    w.StartObject();
    w.Key("currentPageId");
    w.Int64(1000 + static_cast<int>(random() % 900));
    w.Key("pages");
    w.StartArray();
    for (int i = 0; i < 1000; ++i) Page(w, random, 1000 + i, i);
    w.EndArray();
    w.EndObject();
  }
  w.EndObject();
  w.Key("settings");
  w.StartObject();
  w.Key("gridModeEnabled");
  w.Bool(true);
  w.Key("showLongDescriptions");
  w.Bool(false);
  w.Key("lastSeenPatch");
  w.String("14.2.1");
  w.EndObject();
  w.EndObject();
  w.Key("schemaVersion");
  w.Int(5);
  w.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

// [{"id":..,"name":..,"shortDesc":..,"longDesc":..,...}, ...] with 300 perks.
inline std::string CatalogueDocument() {
  std::mt19937 random(23);
  rapidjson::StringBuffer buffer;
  JsonTextWriter w(buffer);
  w.StartArray();
  for (int i = 0; i < 300; ++i) {
    w.StartObject();
    w.Key("id");
    w.Int(8000 + i);
    w.Key("name");
    w.String(Words(random, 2).c_str());
    w.Key("majorChangePatchVersion");
    w.String("13.4");
    w.Key("iconPath");
    w.String(("/tav-game-data/assets/perks/styles/" + Words(random, 1) + "/" +
              std::to_string(8000 + i) + ".png")
                 .c_str());
    w.Key("tooltip");
    w.String(("Deals @Damage@ (+@Ratio*100@%) \"" + Words(random, 12) + "\" to nearby foes.")
                 .c_str());
    w.Key("shortDesc");
    w.String(("<b>" + Words(random, 25) + "</b>\n" + Words(random, 20)).c_str());
    w.Key("longDesc");
    w.String(("<rules>" + Words(random, 110) + "</rules>\n\t" + Words(random, 40) +
              " \xE2\x80\x94 " + Words(random, 30))
                 .c_str());
    w.Key("recommendationDescriptor");
    w.String(Words(random, 3).c_str());
    w.Key("endOfGameStatDescs");
    w.StartArray();
    for (int j = 0; j < 3; ++j) w.String(("Total " + Words(random, 4) + ": @eogvar" +
                                           std::to_string(j) + "@")
                                              .c_str());
    w.EndArray();
    w.EndObject();
  }
  w.EndArray();
  return std::string(buffer.GetString(), buffer.GetSize());
}

// Matches with nested player records: floats, negative and large numbers,
// nulls, nested arrays, escapes.
inline std::string MixedDocument() {
  std::mt19937_64 random(37);
  std::mt19937 words(41);
  rapidjson::StringBuffer buffer;
  JsonTextWriter w(buffer);
  w.StartObject();
  w.Key("matches");
  w.StartArray();
  for (int m = 0; m < 1000; ++m) {
    w.StartObject();
    w.Key("gameId");
    w.Uint64(random());
    w.Key("duration");
    w.Double(900.0 + static_cast<double>(random() % 200000) / 97.0);
    w.Key("balance");
    w.Int64(-static_cast<int64_t>(random() % 1000000000));
    w.Key("queue");
    w.String(m % 3 == 0 ? "ranked \"solo\"" : "normal\\draft");
    w.Key("players");
    w.StartArray();
    for (int p = 0; p < 10; ++p) {
      w.StartObject();
      w.Key("name");
      w.String(Words(words, 2).c_str());
      w.Key("stats");
      w.StartObject();
      w.Key("kills");
      w.Uint(static_cast<unsigned>(random() % 30));
      w.Key("deaths");
      w.Uint(static_cast<unsigned>(random() % 20));
      w.Key("ratio");
      w.Double(static_cast<double>(random() % 100000) / 1000.0);
      w.Key("gold");
      w.Int(static_cast<int>(random() % 30000) - 500);
      w.EndObject();
      w.Key("items");
      w.StartArray();
      for (int i = 0; i < 6; ++i) w.Uint(3000 + static_cast<unsigned>(random() % 900));
      w.EndArray();
      w.Key("timeline");
      w.StartArray();
      for (int t = 0; t < 3; ++t) {
        w.StartArray();
        w.Double(static_cast<double>(random() % 1000) * 0.125);
        w.Int(-static_cast<int>(random() % 50));
        w.EndArray();
      }
      w.EndArray();
      w.Key("flags");
      w.StartArray();
      w.Bool(random() % 2 == 0);
      w.Null();
      w.EndArray();
      w.EndObject();
    }
    w.EndArray();
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

// {"settings", text}, {"catalogue", text}, {"mixed", text}, {"book", text},
// {"payload", text}, {"escaped", text}.
inline const std::vector<std::pair<std::string, std::string>>& Documents() {
  static const std::vector<std::pair<std::string, std::string>> documents = {
      {"settings", SettingsDocument()},
      {"catalogue", CatalogueDocument()},
      {"mixed", MixedDocument()},
      {"book", BookDocument()},
      {"payload", PayloadDocument()},
      {"escaped", EscapedCatalogueDocument()},
  };
  return documents;
}

}  // namespace tav_bench

#endif  // TAV_BENCH_CODEC_BENCH_DOCUMENTS_H_
