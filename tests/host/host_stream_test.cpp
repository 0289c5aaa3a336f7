#include "host/host_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::host {
namespace {

struct Read {
  uint8_t ok;
  std::string bytes;
  uint8_t more;
};

std::vector<Read> ReadAll(void* stream, uint32_t ask, int max_reads = 20) {
  std::vector<Read> reads;
  std::string buffer(ask, '\0');
  for (int i = 0; i < max_reads; ++i) {
    uint32_t length = ask;
    uint8_t more = 9;
    uint8_t ok = HostStreamRead(stream, buffer.data(), &length, &more);
    reads.push_back({ok, buffer.substr(0, length), more});
    if (!ok || !more) break;
  }
  return reads;
}

std::string Describe(const std::vector<Read>& reads) {
  std::string text;
  for (const Read& read : reads) {
    text += read.ok ? "" : "fail ";
    text += std::to_string(read.bytes.size()) + (read.more ? "+ " : ". ");
  }
  return text;
}

TEST(HostStream, ReadsFollowThePlan) {
  const struct {
    const char* name;
    std::vector<uint32_t> chunks;
    size_t body_size;
    uint32_t ask;
    const char* reads;
  } cases[] = {
      {"three full reads", {4096, 4096, 10}, 8202, 4096, "4096+ 4096+ 10. "},
      {"no plan: reads as large as asked", {}, 9000, 4096, "4096+ 4096+ 808. "},
      {"a chunk larger than the read is split", {10}, 12, 4, "4+ 4+ 2+ 2. "},
      {"a read with nothing ready yet", {3, 0, 2}, 5, 4096, "3+ 0+ 2. "},
      {"zeros before any byte", {0, 0}, 1, 4096, "0+ 0+ 1. "},
      {"empty body", {}, 0, 4096, "0. "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StreamPlan plan;
    plan.body.assign(c.body_size, 'x');
    plan.chunks = c.chunks;
    auto stats = std::make_shared<StreamStats>();
    void* stream = NewHostStream(plan, stats);
    std::vector<Read> reads = ReadAll(stream, c.ask);
    EXPECT_EQ(Describe(reads), c.reads);
    std::string body;
    for (const Read& read : reads) body += read.bytes;
    EXPECT_EQ(body, plan.body);
    EXPECT_EQ(stats->reads.load(), reads.size());
    HostStreamRelease(stream);
    EXPECT_EQ(stats->outstanding(), 0u);
  }
}

TEST(HostStream, ChosenReadFails) {
  StreamPlan plan;
  plan.body = "abcdef";
  plan.chunks = {2, 2, 2};
  plan.fail_at_read = 1;
  void* stream = NewHostStream(plan, nullptr);
  EXPECT_EQ(Describe(ReadAll(stream, 100)), "2+ fail 0. ");
  HostStreamRelease(stream);
}

}  // namespace
}  // namespace tav::host
