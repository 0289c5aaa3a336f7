// Pure operations on a perk book's pages: the sorted page list, the reorder
// walk, the neighbour that becomes current after a delete, and the drawing
// of a fresh page id.
//
//   PageMap pages = ...;
//   std::vector<api::PerkPageResource> list = SortedPages(pages, true, current_id, active_id);
//   if (ReorderPages(pages, {/*target*/ 7, /*destination*/ 9, /*offset*/ 1}, current_id,
//                    active_id)) Save();
//   int32_t id = DrawPageId(pages, [&] { return static_cast<uint32_t>(device()); });
#ifndef TAV_PERKS_PAGE_LIST_H_
#define TAV_PERKS_PAGE_LIST_H_

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "perks/api/perks_types.h"

namespace tav::perks {

namespace api = Vexa::Client::Perks::Api;

using PageMap = std::map<int32_t, api::PerkPageResource>;  // by id, ascending

// Copies of the editable pages (of all pages when `include_non_editable`),
// with `current` and `isActive` set from the two ids, sorted by `order`.
// Pages of equal order stay in ascending id order.
[[nodiscard]] std::vector<api::PerkPageResource> SortedPages(const PageMap& pages,
                                                             bool include_non_editable,
                                                             int32_t current_page_id,
                                                             int32_t active_page_id);

// Moves the target page next to the destination page by changing stored
// orders. The target takes the destination's order plus `offset` (1: after
// it, -1: before it, 0: the same order beside it). The list is walked with
// the editable pages renumbered 0, 1, 2, ... (forward when `offset` >= 1,
// backward otherwise); from the first editable page whose renumbered order
// equals the target's new order on, every editable page passed has `offset`
// added to its stored order. Orders saturate at the int32 limits instead of
// wrapping. The two ids only fill `current` and `isActive` of the copies.
// Returns false, changing nothing, when the target already has its new order
// or when either page is missing (the caller reports which).
[[nodiscard]] bool ReorderPages(PageMap& pages, const api::UpdatePageOrderRequest& request,
                                int32_t current_page_id, int32_t active_page_id);

// The page to make current once page `id` is deleted: the next page of the
// sorted list (non-editable pages included), or the previous one when `id`
// is the last. 0 when `id` is the only page or not in `pages`.
[[nodiscard]] int32_t NeighbourAfterDelete(const PageMap& pages, int32_t id,
                                           int32_t current_page_id, int32_t active_page_id);

// A fresh page id: the absolute value of a signed 32-bit draw from `random`,
// drawn again while it is 0, already in `pages`, or -2147483648 (whose
// absolute value does not exist in 32 bits). Always positive.
[[nodiscard]] int32_t DrawPageId(const PageMap& pages, const std::function<uint32_t()>& random);

}  // namespace tav::perks

#endif  // TAV_PERKS_PAGE_LIST_H_
