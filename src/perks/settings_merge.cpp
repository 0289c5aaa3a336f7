#include "perks/settings_merge.h"

#include <cstddef>
#include <string>

#include "perks/page_validation.h"

namespace tav::perks {

namespace {

constexpr size_t kMaxSelectedPerks = 6;

// A style id of -1 names no style and needs no check. An empty catalogue
// means the game data could not be read: dropping pages for it would lose
// them for good at the next save.
bool StyleFits(const PerkCatalogue& catalogue, int32_t style_id) {
  return style_id == -1 || catalogue.styles().empty() || catalogue.HasStyle(style_id);
}

// Empties the acknowledged updates when they belong to another patch than
// the game data's latest one. True when it changed anything.
bool ResetOutdatedAcknowledgements(api::UISettings& settings, const std::string& latest_patch) {
  if (latest_patch.empty() || settings.gameplayPatchVersionSeen == latest_patch) return false;
  settings.gameplayPatchVersionSeen = latest_patch;
  settings.gameplayUpdatedPerksSeen.clear();
  return true;
}

}  // namespace

StoredPagesMerge MergeStoredPages(api::PerkSettings& stored, const PerkCatalogue& catalogue,
                                  const std::vector<int32_t>& disabled_perk_ids,
                                  const StoredPagesMergeOptions& options) {
  StoredPagesMerge merged;
  for (const api::PerkPageResource& preset : catalogue.preset_pages()) {
    merged.pages.emplace(preset.id, preset);
  }
  merged.write_back = ResetOutdatedAcknowledgements(stored.settings, catalogue.latest_gameplay_patch());

  const auto book = stored.perShardPerkBooks.find(std::string(options.shard));
  const bool has_book = book != stored.perShardPerkBooks.end();
  if (has_book) merged.current_page_id = book->second.currentPageId;
  const std::vector<api::PerkPageResource>& candidates = has_book ? book->second.pages : stored.pages;

  uint32_t loaded = 0;
  for (const api::PerkPageResource& candidate : candidates) {
    if (candidate.current) merged.current_page_id = candidate.id;
    // Page ids are non-zero: a page stored with id 0 could never be made
    // current, and would pass for the current and active page whenever
    // there is none.
    if (candidate.id == 0) continue;
    if (merged.pages.count(candidate.id) != 0) continue;
    if (!StyleFits(catalogue, candidate.primaryStyleId) ||
        !StyleFits(catalogue, candidate.subStyleId)) {
      continue;
    }
    api::PerkPageResource page = candidate;
    if (page.selectedPerkIds.size() > kMaxSelectedPerks) page.selectedPerkIds.resize(kMaxSelectedPerks);
    page.autoModifiedSelections.clear();
    if (options.auto_repair) page.autoModifiedSelections = AutoRepairPage(page, catalogue);
    if (!page.autoModifiedSelections.empty()) {
      merged.pages_repaired = true;
      merged.write_back = true;
    }
    page.isValid = ValidatePage(page, catalogue, disabled_perk_ids);
    page.isActive = false;
    merged.pages.emplace(page.id, std::move(page));
    ++loaded;
    // The check follows the insertion: one page stays even when the player
    // owns none.
    if (options.owned_page_count && loaded >= *options.owned_page_count) break;
  }
  return merged;
}

}  // namespace tav::perks
