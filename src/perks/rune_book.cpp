// The collections' rune book of the summoner: the number of pages the
// player owns, which limits the pages created and the stored pages loaded.
#include "log/logger.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/remote_call.h"

namespace tav::perks {

void PerksModule::FetchRuneBook(uint64_t summoner_id) {
  MaybeType<Failure, api::CollectionsRuneBook> book =
      Call<api::CollectionsRuneBook>(RequestMethod::kGet, RuneBookPath(summoner_id));
  if (!book.ok()) {
    LogError("Could not fetch rune page count from collections: %s",
             book.failure().message.c_str());
    return;
  }
  owned_page_count_ = static_cast<uint32_t>(book.value().pages.size());
  owned_page_count_known_ = true;
}

void PerksModule::OnRuneBook(const RemotingTypedResult<api::CollectionsRuneBook>& book) {
  if (book.eventType == PluginResourceEventType::Delete) return;
  owned_page_count_ = static_cast<uint32_t>(book.value.pages.size());
  owned_page_count_known_ = true;
  PublishInventory();
}

}  // namespace tav::perks
