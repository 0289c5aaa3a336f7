#include "binding/json_fast_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "binding/json_internal.h"
#include "codec_test_support.h"

namespace tav {
namespace {

// Texts of every shape the quick pass takes on, from a fixed seed: numbers
// of every length with and without fraction and exponent, strings with
// every escape, surrogate pairs and raw UTF-8, objects whose keys come
// sorted, unsorted, as prefixes of each other, and repeating the previous
// object's keys or not.
class TextMaker {
 public:
  std::string Number() {
    std::string text = Pick(3) == 0 ? "-" : "";
    const int whole = 1 + Pick(22);
    text += whole == 1 ? std::string(1, static_cast<char>('0' + Pick(10))) : Digits(whole, true);
    if (Pick(2) == 0) text += "." + Digits(1 + Pick(25), false);
    if (Pick(4) == 0) {
      text += Pick(2) == 0 ? "e" : "E";
      text += std::string(Pick(3) == 0 ? "-" : Pick(2) == 0 ? "+" : "") +
              Digits(Pick(10) == 0 ? 10 : 1 + Pick(3), false);
    }
    return text;
  }

  std::string String() {
    static const char* const kPieces[] = {
        "ember",  "\\\"", "\\\\",   "\\/",          "\\b",     "\\f", "\\n", "\\r", "\\t",
        "\\u00e9", "\\u2603", "\\ud83c\\udf0a", "\\udc01", "\\u0000", "\xC3\xA5", "\xF0\x9F\x8C\x8B",
        "a long plain run of text well past sixteen bytes"};
    std::string text = "\"";
    for (int i = Pick(5); i > 0; --i) text += kPieces[Pick(std::size(kPieces))];
    return text + "\"";
  }

  std::string Value(int depth) {
    switch (depth > 4 ? Pick(5) : Pick(8)) {
      case 0:
        return Number();
      case 1:
        return String();
      case 2:
        return Pick(3) == 0 ? "null" : Pick(2) == 0 ? "true" : "false";
      case 3:
      case 4:
        return Number() + " ";
      case 5:
        return Array(depth + 1);
      default:
        return Object(depth + 1);
    }
  }

  std::string Array(int depth) {
    std::string text = "[";
    for (int i = Pick(6); i > 0; --i) text += (text.size() > 1 ? ", " : "") + Value(depth);
    return text + "]";
  }

  // Keys are distinct within an object; a run of siblings often shares
  // the same keys in the same order.
  std::string Object(int depth) {
    static const char* const kKeys[] = {"id",   "a",          "ab",        "b",
                                        "",     "Zeta",       "name",      "perk\\u00e9",
                                        "slot", "slow",       "subStyleId", "subStyleIx",
                                        "selectedPerkIds", "selectedPerkIdz"};
    std::vector<int> keys;
    if (Pick(2) == 0 && !last_keys_.empty()) {
      keys = last_keys_;
    } else {
      for (int k = 0; k < static_cast<int>(std::size(kKeys)); ++k) {
        if (Pick(2) == 0) keys.push_back(k);
      }
      std::shuffle(keys.begin(), keys.end(), random_);
      last_keys_ = keys;
    }
    std::string text = "{";
    for (int k : keys) {
      text += std::string(text.size() > 1 ? " ,\n" : "") + "\"" + kKeys[k] + "\"\t: " + Value(depth);
    }
    return text + "}";
  }

 private:
  int Pick(size_t bound) { return static_cast<int>(random_() % bound); }
  std::string Digits(int count, bool leading) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += static_cast<char>('0' + (leading && i == 0 ? 1 + Pick(9) : Pick(10)));
    }
    return text;
  }

  std::mt19937 random_{20240611};
  std::vector<int> last_keys_;
};

// The quick pass and RapidJSON's reader must build the same tree, bit for
// bit and kind for kind, and the quick pass must take these texts rather
// than hand them on.
TEST(JsonFastReader, BuildsWhatRapidJsonsReaderBuilds) {
  TextMaker maker;
  std::vector<std::string> texts = {"[]", "{}", "  [ ] ", "[[[{}]]]", "[-0, 0, -0.0, 0.5e1]"};
  for (int i = 0; i < 3000; ++i) texts.push_back(i % 2 == 0 ? maker.Array(0) : maker.Object(0));
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const BindingResult careful = json_internal::ParseJsonWithRapidJson(text);
    BindingProperty quick;
    if (!careful.ok()) {
      // Only numbers past the double range fail; both refuse them.
      EXPECT_FALSE(ReadJsonFast(text, quick)) << careful.error();
      continue;
    }
    ASSERT_TRUE(ReadJsonFast(text, quick));
    EXPECT_EQ(testing::Dump(quick), testing::Dump(careful.value()));
  }
}

}  // namespace
}  // namespace tav
