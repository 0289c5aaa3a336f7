// Writes seed inputs for the fuzz targets from the test data:
//   tav_fuzz_seeds msgpack <msgpack-test-suite.json> <out-dir>
//     one file per encoding of the MessagePack suite;
//   tav_fuzz_seeds core_value <out-dir> <json files...>
//     each JSON document as a CoreValue program (core_value_program.h).
#include <cstdio>
#include <fstream>
#include <string>

#include "binding/codec_test_support.h"
#include "binding/json_reader.h"
#include "core_value_program.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int MsgpackSeeds(const std::string& suite_path, const std::string& out_dir) {
  tav::BindingResult suite = tav::ParseJson(tav::testing::ReadBytes(suite_path));
  if (!suite.ok()) {
    std::fprintf(stderr, "%s: %s\n", suite_path.c_str(), std::string(suite.error()).c_str());
    return 1;
  }
  int count = 0;
  for (const tav::BindingStructEntry& group : suite.value().Fields()) {
    for (const tav::BindingProperty& test_case : group.value.Elements()) {
      for (const tav::BindingProperty& hex : test_case["msgpack"].Elements()) {
        std::string bytes;
        const std::string_view text = hex.GetString();
        for (size_t i = 0; i + 1 < text.size(); i += 3) {
          bytes.push_back(static_cast<char>(std::stoul(std::string(text.substr(i, 2)), nullptr, 16)));
        }
        if (!WriteFile(out_dir + "/suite-" + std::to_string(count++), bytes)) return 1;
      }
    }
  }
  return 0;
}

int CoreValueSeeds(const std::string& out_dir, int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    tav::BindingResult parsed = tav::ParseJson(tav::testing::ReadBytes(argv[i]));
    if (!parsed.ok()) continue;  // only documents the reader accepts
    const std::string program = tav::fuzzing::CoreValueProgram::Write(parsed.value());
    if (!WriteFile(out_dir + "/json-" + std::to_string(i), program)) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "msgpack" && argc == 4) return MsgpackSeeds(argv[2], argv[3]);
  if (mode == "core_value" && argc >= 3) return CoreValueSeeds(argv[2], argc - 3, argv + 3);
  std::fprintf(stderr,
               "usage: %s msgpack <suite.json> <out-dir> | core_value <out-dir> <json...>\n",
               argv[0]);
  return 2;
}
