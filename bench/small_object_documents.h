// Benchmark documents made of many small objects, the shape of real stored
// settings and service answers, generated with fixed seeds:
// - book: a stored settings document of 4 shards x 1060 perk pages (~1 MiB,
//   about 12 names and 10 numbers a page), keys in byte order as this
//   plugin writes them;
// - payload: a ~2 MiB service answer of objects in arrays in objects, up to
//   9 levels deep, keys in the order a service declares them (not sorted),
//   with negative numbers, doubles, \u escapes, surrogate pairs and raw
//   UTF-8;
// - escaped: a catalogue of 300 entries whose long texts are full of
//   escapes.
// All names and texts are invented.
#ifndef TAV_BENCH_SMALL_OBJECT_DOCUMENTS_H_
#define TAV_BENCH_SMALL_OBJECT_DOCUMENTS_H_

#include <cstdint>
#include <random>
#include <string>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace tav_bench {

inline const char* const kSmallWords[] = {
    "amber", "brook", "crest", "dune",  "elm",   "fjord", "grove", "heath",
    "isle",  "jade",  "knoll", "loch",  "mesa",  "north", "opal",  "pine",
    "quill", "reef",  "spire", "tundra"};

inline std::string SmallWords(std::mt19937& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i != 0) text += ' ';
    text += kSmallWords[random() % 20];
  }
  return text;
}

using SmallWriter = rapidjson::Writer<rapidjson::StringBuffer>;

// Writes `json`, a string already in JSON form, as a value.
inline void RawText(SmallWriter& w, const std::string& json) {
  w.RawValue(json.c_str(), json.size(), rapidjson::kStringType);
}

inline void BookPage(SmallWriter& w, std::mt19937& random, int id, int order) {
  const int primary = 8000 + 100 * static_cast<int>(random() % 5);
  const int sub = 8000 + 100 * static_cast<int>(random() % 5);
  w.StartObject();
  w.Key("autoModifiedSelections");
  w.StartArray();
  if (random() % 8 == 0) w.Int(primary + static_cast<int>(random() % 40));
  w.EndArray();
  w.Key("current");
  w.Bool(order == 0);
  w.Key("id");
  w.Int(id);
  w.Key("isActive");
  w.Bool(random() % 2 == 0);
  w.Key("isDeletable");
  w.Bool(true);
  w.Key("isEditable");
  w.Bool(random() % 8 != 0);
  w.Key("isTemporary");
  w.Bool(false);
  w.Key("name");
  w.String(("Page " + SmallWords(random, 2)).c_str());
  w.Key("order");
  w.Int(order);
  w.Key("primaryStyleId");
  w.Int(primary);
  w.Key("selectedPerkIds");
  w.StartArray();
  for (int i = 0; i < 6; ++i) w.Int((i < 4 ? primary : sub) + static_cast<int>(random() % 40));
  w.EndArray();
  w.Key("subStyleId");
  w.Int(sub);
  w.EndObject();
}

// {"data":{"perShardPerkBooks":{"<shard>":{"currentPageId":..,"pages":[..]}},
//  "settings":{..}},"schemaVersion":5}
inline std::string BookDocument() {
  std::mt19937 random(53);
  rapidjson::StringBuffer buffer;
  SmallWriter w(buffer);
  w.StartObject();
  w.Key("data");
  w.StartObject();
  w.Key("perShardPerkBooks");
  w.StartObject();
  const char* const shards[] = {"glenmoor1", "harrowgate2", "kestrel3", "marlowe4"};
  int id = 3000;
  for (const char* shard : shards) {
    w.Key(shard);
    w.StartObject();
    w.Key("currentPageId");
    w.Int(id + static_cast<int>(random() % 1060));
    w.Key("pages");
    w.StartArray();
    for (int order = 0; order < 1060; ++order) BookPage(w, random, id++, order);
    w.EndArray();
    w.EndObject();
  }
  w.EndObject();
  w.Key("settings");
  w.StartObject();
  w.Key("gridModeEnabled");
  w.Bool(false);
  w.Key("lastSeenPatch");
  w.String("15.1.4");
  w.EndObject();
  w.EndObject();
  w.Key("schemaVersion");
  w.Int(5);
  w.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

// Texts already in JSON form (quotes included), some with \u escapes and
// surrogate pairs, some with raw UTF-8.
inline const char* const kEscapedNames[] = {
    "\"Caf\\u00e9 Lumi\\u00e8re\"",
    "\"\\ud83d\\udd25 Blaze \\ud83d\\udd25\"",
    "\"\xCE\xA9mega \xE2\x98\x85 Prime\"",
    "\"Stra\xC3\x9F" "e Nord\"",
    "\"\\u6771\\u4eac Harbor\"",
    "\"plain wanderer\"",
    "\"Tab\\tSeparated \\\"Quoted\\\"\"",
    "\"Snow \\u2744\\ufe0f \\ud83c\\udfd4\"",
};

inline void PayloadMember(SmallWriter& w, std::mt19937_64& random, std::mt19937& words, int team) {
  w.StartObject();
  w.Key("teamId");
  w.Int(100 * team);
  w.Key("participantId");
  w.Int(static_cast<int>(random() % 10) + 1);
  w.Key("championId");
  w.Int(static_cast<int>(random() % 900) + 1);
  w.Key("displayName");
  RawText(w, kEscapedNames[random() % 8]);
  w.Key("stats");
  w.StartObject();
  w.Key("kills");
  w.Int(static_cast<int>(random() % 25));
  w.Key("deaths");
  w.Int(static_cast<int>(random() % 15));
  w.Key("goldDelta");
  w.Int(static_cast<int>(random() % 4000) - 2000);
  w.Key("damageShare");
  w.Double(static_cast<double>(random() % 100000) / 99991.0);
  w.Key("position");
  w.StartArray();
  w.Double(static_cast<double>(random() % 150000) / 10.0 - 7000.0);
  w.Double(static_cast<double>(random() % 150000) / 10.0 - 7000.0);
  w.EndArray();
  w.EndObject();
  w.Key("perks");
  w.StartArray();
  for (int slot = 0; slot < 3; ++slot) {
    w.StartObject();
    w.Key("perk");
    w.Int(8000 + static_cast<int>(random() % 500));
    w.Key("var1");
    w.Int(static_cast<int>(random() % 3000) - 100);
    w.Key("label");
    w.String(SmallWords(words, 1).c_str());
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
}

// {"apiVersion":..,"results":[{"puuid":..,"profile":{..},"history":[{"gameId":..,
//  "participants":[{..,"stats":{..,"position":[x,y]},"perks":[{..}]}]}]}]}: the
// deepest arrays and objects sit at depth 9.
inline std::string PayloadDocument() {
  std::mt19937_64 random(67);
  std::mt19937 words(71);
  rapidjson::StringBuffer buffer;
  SmallWriter w(buffer);
  w.StartObject();
  w.Key("apiVersion");
  w.String("v3");
  w.Key("requestId");
  w.Uint64(random());
  w.Key("results");
  w.StartArray();
  for (int player = 0; player < 150; ++player) {
    w.StartObject();
    w.Key("puuid");
    w.String(("p-" + std::to_string(random() % 1000000007) + "-" + SmallWords(words, 1)).c_str());
    w.Key("profile");
    w.StartObject();
    w.Key("displayName");
    RawText(w, kEscapedNames[random() % 8]);
    w.Key("level");
    w.Int(static_cast<int>(random() % 800));
    w.Key("ratingDelta");
    w.Int64(-static_cast<int64_t>(random() % 5000000000ULL));
    w.EndObject();
    w.Key("history");
    w.StartArray();
    for (int game = 0; game < 4; ++game) {
      w.StartObject();
      w.Key("gameId");
      w.Uint64(random());
      w.Key("duration");
      w.Double(600.0 + static_cast<double>(random() % 200000) / 73.0);
      w.Key("blueWin");
      w.Bool(random() % 2 == 0);
      w.Key("participants");
      w.StartArray();
      for (int member = 0; member < 10; ++member) PayloadMember(w, random, words, 1 + member / 5);
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

// A long text in JSON form whose words are separated by escapes.
inline std::string EscapedText(std::mt19937& random, int words) {
  static const char* const kSeparators[] = {" ", " ", " ", "\\n", "\\t", "\\\"", "\\\\",
                                            "\\/", "\\u00a0", " \\u2014 "};
  std::string text = "\"";
  for (int i = 0; i < words; ++i) {
    if (i != 0) text += kSeparators[random() % 10];
    text += kSmallWords[random() % 20];
  }
  return text + "\"";
}

// [{"id":..,"name":..,"tooltip":..,"longDesc":..,...}, ...] with 300 entries.
inline std::string EscapedCatalogueDocument() {
  std::mt19937 random(79);
  rapidjson::StringBuffer buffer;
  SmallWriter w(buffer);
  w.StartArray();
  for (int i = 0; i < 300; ++i) {
    w.StartObject();
    w.Key("id");
    w.Int(9000 + i);
    w.Key("name");
    w.String(SmallWords(random, 2).c_str());
    w.Key("iconPath");
    RawText(w, "\"\\/tav-game-data\\/assets\\/perks\\/" + std::to_string(9000 + i) + ".png\"");
    w.Key("tooltip");
    RawText(w, EscapedText(random, 30));
    w.Key("shortDesc");
    RawText(w, EscapedText(random, 60));
    w.Key("longDesc");
    RawText(w, EscapedText(random, 260));
    w.EndObject();
  }
  w.EndArray();
  return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace tav_bench

#endif  // TAV_BENCH_SMALL_OBJECT_DOCUMENTS_H_
