// ParseYaml against a bare libyaml event loop that builds nothing.
//
// The documents are in the plain block style that ParseYaml's quick pass
// reads without libyaml; texts it leaves to libyaml cost that loop plus the
// building of the BindingProperty tree (interning, pooled cells, scalar
// resolution). Three generated documents:
// - settings: about 1 MiB of perk books, many shards of many short pages;
// - catalogue: about 1 MiB of perk descriptions with long folded texts;
// - book: the stored settings book of small_object_documents.h in block
//   style.
//
//   ./build/bench/yaml_bench            # prints times and the ratios
#include <benchmark/benchmark.h>
#include <yaml.h>

#include <cstdint>
#include <string>

#include "binding/json_reader.h"
#include "binding/yaml_reader.h"
#include "ratio_reporter.h"
#include "small_object_documents.h"
#include "tree_bytes.h"

namespace {

constexpr size_t kTargetSize = 1 << 20;

// A small deterministic generator, so every run reads the same text.
class Sequence {
 public:
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  uint32_t Below(uint32_t bound) { return Next() % bound; }

 private:
  uint32_t state_ = 20240611u;
};

const char* const kWords[] = {
    "ember",  "tide",    "quarry", "lantern", "thorn",  "vigil",  "drift",   "cinder",
    "harbor", "gale",    "mosaic", "ridge",   "warden", "bloom",  "spindle", "ash",
    "summit", "current", "anvil",  "meadow",  "rune",   "falcon", "hollow",  "tempest",
};

std::string Words(Sequence& sequence, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += kWords[sequence.Below(std::size(kWords))];
  }
  return text;
}

std::string SettingsDocument() {
  Sequence sequence;
  std::string text = "schemaVersion: 5\ndata:\n  perShardPerkBooks:\n";
  int shard = 0;
  int page_id = 1000;
  while (text.size() < kTargetSize) {
    text += "    shard" + std::to_string(shard++) + ":\n";
    text += "      currentPageId: " + std::to_string(page_id) + "\n";
    text += "      lastSync: 2024-06-11T08:15:00Z\n";
    text += "      pages:\n";
    for (int page = 0; page < 40; ++page) {
      uint32_t primary = 8000 + 100 * sequence.Below(5);
      uint32_t sub = 8000 + 100 * sequence.Below(5);
      text += "        - id: " + std::to_string(page_id++) + "\n";
      text += "          name: \"" + Words(sequence, 2) + " " + std::to_string(page) + "\"\n";
      text += "          order: " + std::to_string(page) + "\n";
      text += "          primaryStyleId: " + std::to_string(primary) + "\n";
      text += "          subStyleId: " + std::to_string(sub) + "\n";
      text += "          selectedPerkIds: [";
      for (int perk = 0; perk < 6; ++perk) {
        if (perk > 0) text += ", ";
        text += std::to_string((perk < 4 ? primary : sub) + sequence.Below(60));
      }
      text += "]\n";
      text += "          isEditable: " + std::string(sequence.Below(4) ? "true" : "false") + "\n";
      text += "          isActive: " + std::string(page == 0 ? "yes" : "no") + "\n";
      text += "          isTemporary: false\n";
      text +=
          "          lastModified: " + std::to_string(1712000000000ull + page_id * 977ull) + "\n";
      text += "          autoModifiedSelections: []\n";
      text += "          rating: " + std::to_string(sequence.Below(1000) / 10.0) + "\n";
    }
  }
  return text;
}

std::string CatalogueDocument() {
  Sequence sequence;
  std::string text = "perks:\n";
  int id = 8000;
  while (text.size() < kTargetSize) {
    text += "  - id: " + std::to_string(id++) + "\n";
    text += "    name: " + Words(sequence, 2) + "\n";
    text += "    majorChangePatchVersion: \"14.2\"\n";
    text += "    iconPath: /perk-images/styles/" + Words(sequence, 1) + "/" + std::to_string(id) +
            ".png\n";
    text += "    shortDesc: '" + Words(sequence, 14) + "'\n";
    text += "    longDesc: >\n";
    for (int line = 0; line < 12; ++line) text += "      " + Words(sequence, 11) + "\n";
    text += "    tooltip: |\n";
    for (int line = 0; line < 6; ++line) text += "      " + Words(sequence, 9) + "\n";
    text += "    recommendationDescriptor: " + Words(sequence, 1) + "\n";
    text += "    endOfGameStatDescs:\n";
    for (int stat = 0; stat < 3; ++stat) {
      text += "      - \"" + Words(sequence, 4) + ": @eogvar" + std::to_string(stat) + "@\"\n";
    }
    text += "    cooldown: " + std::to_string(sequence.Below(120)) + ".5\n";
  }
  return text;
}

// A scalar in YAML form: strings double-quoted, the rest as JSON has it.
std::string YamlScalar(const tav::BindingProperty& value) {
  if (value.kind() != tav::BindingPropertyKind::kString) {
    return value.kind() == tav::BindingPropertyKind::kEmpty ? "~" : value.ToText();
  }
  std::string text = "\"";
  for (char c : value.AsString()) {
    if (c == '"' || c == '\\') text += '\\';
    text += c;
  }
  return text + "\"";
}

bool IsContainer(const tav::BindingProperty& value) {
  return value.kind() == tav::BindingPropertyKind::kCollection ||
         value.kind() == tav::BindingPropertyKind::kStructure;
}

// Block style: a mapping inside a sequence starts on the dash's line, and
// sequences of scalars are written inline.
void EmitBlock(const tav::BindingProperty& value, size_t indent, std::string& out) {
  const std::string pad(indent, ' ');
  if (value.kind() == tav::BindingPropertyKind::kStructure) {
    for (const tav::BindingStructEntry& field : value.Fields()) {
      out += pad + std::string(field.key()) + ":";
      const tav::BindingProperty& child = field.value;
      if (!IsContainer(child)) {
        out += " " + YamlScalar(child) + "\n";
      } else if (child.size() == 0) {
        out += child.kind() == tav::BindingPropertyKind::kStructure ? " {}\n" : " []\n";
      } else if (child.kind() == tav::BindingPropertyKind::kCollection &&
                 !IsContainer(child[0])) {
        out += " [";
        for (const tav::BindingProperty& element : child.Elements()) {
          if (&element != &child[0]) out += ", ";
          out += YamlScalar(element);
        }
        out += "]\n";
      } else {
        out += "\n";
        EmitBlock(child, indent + 2, out);
      }
    }
    return;
  }
  for (const tav::BindingProperty& element : value.Elements()) {
    if (!IsContainer(element)) {
      out += pad + "- " + YamlScalar(element) + "\n";
      continue;
    }
    std::string nested;
    EmitBlock(element, indent + 2, nested);
    out += pad + "- " + nested.substr(indent + 2);
  }
}

std::string BookDocument() {
  std::string text;
  EmitBlock(tav::ParseJson(tav_bench::BookDocument()).value(), 0, text);
  return text;
}

// Reads every event and discards it: what any reader over libyaml must pay.
bool ReadEventsOnly(const std::string& text) {
  yaml_parser_t parser;
  if (!yaml_parser_initialize(&parser)) return false;
  yaml_parser_set_encoding(&parser, YAML_UTF8_ENCODING);
  yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()),
                               text.size());
  bool ok = false;
  for (;;) {
    yaml_event_t event;
    if (!yaml_parser_parse(&parser, &event)) break;
    bool end = event.type == YAML_STREAM_END_EVENT;
    benchmark::DoNotOptimize(event.type);
    yaml_event_delete(&event);
    if (end) {
      ok = true;
      break;
    }
  }
  yaml_parser_delete(&parser);
  return ok;
}

void Register(const std::string& name, const std::string& text) {
  benchmark::RegisterBenchmark((name + "/libyaml_events").c_str(), [text](benchmark::State& state) {
    for (auto _ : state) {
      if (!ReadEventsOnly(text)) state.SkipWithError("libyaml refused the document");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  })->Unit(benchmark::kMillisecond);

  benchmark::RegisterBenchmark((name + "/ParseYaml").c_str(), [text](benchmark::State& state) {
    state.counters["tree_bytes_per_input_byte"] =
        tav_bench::TreeBytes([&] { return tav::ParseYaml(text); }) /
        static_cast<double>(text.size());
    for (auto _ : state) {
      tav::BindingResult result = tav::ParseYaml(text);
      if (!result.ok()) state.SkipWithError(std::string(result.error()).c_str());
      benchmark::DoNotOptimize(result.value().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  })->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  Register("settings", SettingsDocument());
  Register("catalogue", CatalogueDocument());
  Register("book", BookDocument());
  return tav_bench::RunWithRatios(argc, argv, "libyaml_events");
}
