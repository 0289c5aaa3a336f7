// The merge of a stored settings document into a fresh book: the preset
// pages first, then the stored pages of the shard's book (or the older
// shard-less pages) that still fit the game data, cut, repaired and judged.
// It also brings the document's acknowledged gameplay updates up to the
// game data's latest patch. Pure: the module applies the result.
//
//   StoredPagesMerge merged = MergeStoredPages(document.data, catalogue, disabled,
//                                              {"eu1", /*auto_repair=*/true, owned_count});
//   if (merged.write_back) ...   // document.data.settings changed
//   pages_ = std::move(merged.pages);
#ifndef TAV_PERKS_SETTINGS_MERGE_H_
#define TAV_PERKS_SETTINGS_MERGE_H_

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "perks/api/perk_settings_types.h"
#include "perks/page_list.h"
#include "perks/perk_catalogue.h"

namespace tav::perks {

namespace api = Vexa::Client::Perks::Api;

struct StoredPagesMergeOptions {
  std::string_view shard;
  // Repair misplaced selections of stored pages.
  bool auto_repair = true;
  // The number of pages the player owns; empty while it is not known, and
  // then no stored page is left out for the count.
  std::optional<uint32_t> owned_page_count;
};

struct StoredPagesMerge {
  // The presets and the stored pages kept, by id.
  PageMap pages;
  // The shard's book's current page, or the last loaded page marked
  // current; 0 when neither.
  int32_t current_page_id = 0;
  // At least one stored page was repaired.
  bool pages_repaired = false;
  // The document should be stored again: the acknowledged gameplay updates
  // were reset, or a stored page needed repairs.
  bool write_back = false;
};

// Merges `stored` (its `settings` are changed when a newer gameplay patch
// resets the acknowledged updates). A stored page is dropped when its id is
// 0 or a preset's, or when it names a style the catalogue lacks; while the
// catalogue holds no style at all nothing can be judged, so no page is
// dropped for its styles. The gameplay acknowledgements are reset only
// when the catalogue knows a latest gameplay patch.
[[nodiscard]] StoredPagesMerge MergeStoredPages(api::PerkSettings& stored,
                                                const PerkCatalogue& catalogue,
                                                const std::vector<int32_t>& disabled_perk_ids,
                                                const StoredPagesMergeOptions& options);

}  // namespace tav::perks

#endif  // TAV_PERKS_SETTINGS_MERGE_H_
