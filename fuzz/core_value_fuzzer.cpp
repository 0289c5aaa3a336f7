// CoreValue to BindingProperty: any value the core could send, malformed or
// not, converts or fails with the converter's message, never crashes; what
// converts survives BindingProperty -> CoreValue -> BindingProperty.
#include <cstddef>
#include <cstdint>
#include <string>

#include "binding/codec_test_support.h"
#include "binding/core_value.h"
#include "core_value_program.h"
#include "fuzz_check.h"
#include "runtime/heap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tav::fuzzing::CoreValueProgram program(data, size);
  ResponseRecord record = {};
  tav::BindingProperty tree;
  if (!tav::FromCoreValue(program.value(), "fuzz", &record, &tree)) {
    FUZZ_CHECK(record.error != nullptr && record.error_owned == 1, "no error text");
    const std::string error = record.error;
    FUZZ_CHECK(error.rfind("Couldn't assign value to 'fuzz' of type object because the input is ",
                           0) == 0,
               error);
    tav::HeapFree(const_cast<char*>(record.error));
    return 0;
  }
  FUZZ_CHECK(record.error == nullptr, "error text on success");

  CoreValue core = {};
  tav::ToCoreValue(tree, nullptr, &core);
  tav::BindingProperty again;
  FUZZ_CHECK(tav::FromCoreValue(core, "fuzz", nullptr, &again), "own value refused");
  tav::ReleaseCoreValue(&core);
  const std::string difference = tav::testing::Difference(tree, again);
  FUZZ_CHECK(difference.empty(), difference);
  return 0;
}
