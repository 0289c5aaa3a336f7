#include "perks/page_list.h"

#include <algorithm>
#include <limits>

namespace tav::perks {
namespace {

// Orders come from stored documents and offsets from requests; neither is
// bounded, so a sum must not overflow.
int32_t SaturatingAdd(int32_t a, int32_t b) {
  const int64_t sum = static_cast<int64_t>(a) + b;
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Gives the editable copies the orders 0, 1, 2, ... in list order; the
// others keep theirs.
void RenumberEditable(std::vector<api::PerkPageResource>& list) {
  int32_t next = 0;
  for (api::PerkPageResource& page : list) {
    if (page.isEditable) page.order = next++;
  }
}

template <class Iterator>
void ShiftFrom(Iterator begin, Iterator end, int32_t new_order, int32_t offset, PageMap& pages) {
  bool shifting = false;
  for (Iterator it = begin; it != end; ++it) {
    if (!it->isEditable) continue;
    if (!shifting && it->order == new_order) shifting = true;
    if (!shifting) continue;
    api::PerkPageResource& stored = pages.find(it->id)->second;
    stored.order = SaturatingAdd(stored.order, offset);
  }
}

}  // namespace

std::vector<api::PerkPageResource> SortedPages(const PageMap& pages, bool include_non_editable,
                                               int32_t current_page_id, int32_t active_page_id) {
  std::vector<api::PerkPageResource> list;
  list.reserve(pages.size());
  for (const auto& [id, page] : pages) {
    if (!page.isEditable && !include_non_editable) continue;
    api::PerkPageResource& copy = list.emplace_back(page);
    copy.current = id == current_page_id;
    copy.isActive = id == active_page_id;
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const api::PerkPageResource& a, const api::PerkPageResource& b) {
                     return a.order < b.order;
                   });
  return list;
}

bool ReorderPages(PageMap& pages, const api::UpdatePageOrderRequest& request,
                  int32_t current_page_id, int32_t active_page_id) {
  auto target = pages.find(request.targetPageId);
  auto destination = pages.find(request.destinationPageId);
  if (target == pages.end() || destination == pages.end()) return false;

  const int32_t new_order = SaturatingAdd(destination->second.order, request.offset);
  if (new_order == target->second.order) return false;

  std::vector<api::PerkPageResource> walk =
      SortedPages(pages, /*include_non_editable=*/true, current_page_id, active_page_id);
  RenumberEditable(walk);
  if (request.offset >= 1) {
    ShiftFrom(walk.begin(), walk.end(), new_order, request.offset, pages);
  } else {
    ShiftFrom(walk.rbegin(), walk.rend(), new_order, request.offset, pages);
  }
  target->second.order = new_order;
  return true;
}

int32_t NeighbourAfterDelete(const PageMap& pages, int32_t id, int32_t current_page_id,
                             int32_t active_page_id) {
  const std::vector<api::PerkPageResource> list =
      SortedPages(pages, /*include_non_editable=*/true, current_page_id, active_page_id);
  auto it = std::find_if(list.begin(), list.end(),
                         [id](const api::PerkPageResource& page) { return page.id == id; });
  if (it == list.end()) return 0;
  if (std::next(it) != list.end()) return std::next(it)->id;
  if (it != list.begin()) return std::prev(it)->id;
  return 0;
}

int32_t DrawPageId(const PageMap& pages, const std::function<uint32_t()>& random) {
  for (;;) {
    const int32_t draw = static_cast<int32_t>(random());
    // -2147483648 has no positive counterpart in 32 bits: its absolute value
    // would stay negative. Draw again rather than hand out a negative id.
    if (draw == std::numeric_limits<int32_t>::min()) continue;
    const int32_t id = draw < 0 ? -draw : draw;
    if (id != 0 && pages.count(id) == 0) return id;
  }
}

}  // namespace tav::perks
