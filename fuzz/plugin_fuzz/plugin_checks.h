// The properties the plugin fuzzer holds the plugin to after every step. A
// broken one aborts through FUZZ_CHECK, which libFuzzer reports as a crash
// and keeps the script that led there.
//
// - The development core saw no fault at the boundary, and no handler
//   threw (the frame logs that as an exception).
// - Every answer is well formed: status 200 and a value the core can read,
//   or an error text with status 0 (a refused argument) or 400 to 599.
// - The book: page ids are non-zero and unique, at most one page is current
//   and at most one active, the current page (when there is one) is in the
//   book, a create stays within the page limit and adds exactly its page, a
//   delete removes its page, a reset leaves only preset pages.
// - The page list last published is the book as GET /pages gives it (all
//   but `current` and `isActive`, which change without a publication).
// - The stored settings document, when the plugin wrote it last, still has
//   the stored form; after a request whose save completed, the current
//   shard's stored pages are the book's editable pages.
//
//   PluginChecks checks(core);
//   ... run a step ...
//   checks.AfterStep(outcome);
#ifndef TAV_FUZZ_PLUGIN_FUZZ_PLUGIN_CHECKS_H_
#define TAV_FUZZ_PLUGIN_FUZZ_PLUGIN_CHECKS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>

#include "dev_core.h"

namespace tav::fuzzing {

// What a step did that the checks need to know.
struct StepOutcome {
  // The call the step made, and the name of the function it called.
  const host::CallResult* call = nullptr;
  std::string function;
  // Work of an earlier deferred step ran during this one, or the step
  // started the plugin: the book may have changed for reasons the step
  // does not show.
  bool interleaved = false;
  // Writes of the stored document the plugin completed during the step.
  uint64_t settings_writes = 0;
};

class PluginChecks {
 public:
  explicit PluginChecks(host::DevCore& core) : core_(core) {}

  // Checks one answer of the plugin; `what` names the call in reports.
  void CheckAnswer(const host::CallResult& answer, std::string_view what) const;
  // Everything above, once the core has run out of work after a step.
  void AfterStep(const StepOutcome& outcome);
  // After Shutdown: nothing left registered, no wait left open.
  void AfterShutdown();

  // Who changed the stored document last.
  void NoteStoredDocumentWrittenByPlugin() { stored_by_plugin_ = true; }
  void NoteStoredDocumentChangedByPeer() { stored_by_plugin_ = false; }
  // The largest style document served: presets come one per style.
  void NoteStylesServed(size_t count);

  // The book as of the last check: page ids in list order, the current
  // page (0 when there is none) and the shard the plugin stores under.
  const std::vector<int32_t>& page_ids() const { return page_ids_; }
  int32_t current_page_id() const { return current_page_id_; }
  const std::string& shard() const { return shard_; }

 private:
  struct Book {
    rapidjson::Document pages;  // the answer to GET /pages
    std::vector<int32_t> ids;
    size_t editable = 0;
    int32_t current = 0;
    uint32_t owned = 0;
  };

  void CheckBoundary();
  Book ReadBook();
  void CheckOperation(const StepOutcome& outcome, const Book& book) const;
  void CheckStoredDocument(const StepOutcome& outcome, const Book& book) const;
  void CheckPublishedPages(const Book& book);
  void FollowShard();

  host::DevCore& core_;
  size_t faults_seen_ = 0;
  size_t log_seen_ = 0;
  size_t requests_seen_ = 0;
  size_t events_seen_ = 0;
  // The saved fields of the page list last published; empty before the
  // first publication.
  std::optional<std::string> published_pages_;
  bool stored_by_plugin_ = false;
  size_t styles_bound_ = 0;
  std::vector<int32_t> page_ids_;
  int32_t current_page_id_ = 0;
  uint32_t owned_ = 0;
  std::string shard_;
};

}  // namespace tav::fuzzing

#endif  // TAV_FUZZ_PLUGIN_FUZZ_PLUGIN_CHECKS_H_
