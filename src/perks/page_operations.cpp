// The perk book's operations: list, get, create, update, delete, reset, set
// the current page, reorder, clear automatic-repair marks, and the choice
// of a page for a champion.
//
// Each changing operation does all its own changes to the book first, then
// publishes, runs set-current-page and saves; set-current-page may wait for
// the game customization service, and nothing here touches a page of the
// book through a reference kept across it.
#include <cstddef>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "log/logger.h"
#include "perks/page_list.h"
#include "perks/page_validation.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/resource_events.h"

namespace tav::perks {

namespace {

constexpr size_t kMaxSelectedPerks = 6;
constexpr uint32_t kPagesUnlockLevel = 8;

Failure PageNotFound() { return Failure("Perk Page not found.", 404); }

void CutSelectedPerks(api::PerkPageResource& page) {
  if (page.selectedPerkIds.size() > kMaxSelectedPerks) page.selectedPerkIds.resize(kMaxSelectedPerks);
}

// A style id of -1 names no style and needs no check.
bool IsKnownStyleOrNone(const PerkCatalogue& catalogue, int32_t style_id) {
  return style_id == -1 || catalogue.HasStyle(style_id);
}

// The style at `position` of the catalogue's styles in ascending id order.
int32_t StyleIdAt(const PerkCatalogue& catalogue, size_t position) {
  auto style = catalogue.styles().begin();
  std::advance(style, static_cast<std::ptrdiff_t>(position));
  return style->first;
}

}  // namespace

std::vector<api::PerkPageResource> PerksModule::ListPages(bool include_non_editable) const {
  return SortedPages(pages_, include_non_editable, current_page_id_, active_page_id_);
}

bool PerksModule::IsPageValid(const api::PerkPageResource& page) const {
  return ValidatePage(page, catalogue_, disabled_perk_ids_);
}

api::PerkPageResource PerksModule::PageForChampion(int32_t champion_id) const {
  if (summoner_level_ >= kPagesUnlockLevel && current_page_id_ != 0) {
    const auto current = pages_.find(current_page_id_);
    if (current == pages_.end()) return api::PerkPageResource{};
    if (current->second.isValid) return current->second;
  }

  bool found_preset = false;
  const auto& champions = catalogue_.champions();
  const auto champion = champions.find(static_cast<uint32_t>(champion_id));
  if (champion != champions.end()) {
    for (const api::PerkPageResource& preset : catalogue_.preset_pages()) {
      if (preset.primaryStyleId != champion->second.style) continue;
      found_preset = true;
      if (preset.id == 0) break;
      const auto page = pages_.find(preset.id);
      if (page == pages_.end()) return api::PerkPageResource{};
      if (page->second.isValid) return page->second;
      break;
    }
  }
  if (champion_id == 0 && !found_preset) {
    LogWarning("Could not find any valid preset champion rune pages to use for champ_id: %d",
               champion_id);
  }
  return api::PerkPageResource{};
}

MaybeType<Failure, std::vector<api::PerkPageResource>> PerksModule::GetPages() {
  return ListPages(true);
}

MaybeType<Failure, api::PerkPageResource> PerksModule::GetPage(int32_t id) {
  const auto found = pages_.find(id);
  if (found == pages_.end()) return PageNotFound();
  api::PerkPageResource page = found->second;
  page.current = id == current_page_id_;
  page.isActive = id == active_page_id_;
  return page;
}

MaybeType<Failure, api::PerkPageResource> PerksModule::GetCurrentPage() {
  return GetPage(current_page_id_);
}

MaybeType<Failure, api::PerkPageResource> PerksModule::CreatePage(api::PerkPageResource request) {
  const size_t page_limit = size_t{owned_page_count_} + catalogue_.preset_pages().size();
  if (pages_.size() >= page_limit) return Failure("Max pages reached", 400);

  api::PerkPageResource page;
  page.name = std::move(request.name);
  page.primaryStyleId = request.primaryStyleId;
  page.subStyleId = request.subStyleId;
  page.selectedPerkIds = std::move(request.selectedPerkIds);
  page.order = static_cast<int32_t>(pages_.size());
  CutSelectedPerks(page);
  const size_t style_count = catalogue_.styles().size();
  if (style_count != 0 && !catalogue_.HasStyle(page.primaryStyleId)) {
    page.primaryStyleId = StyleIdAt(catalogue_, DrawRandom() % style_count);
  }
  page.isValid = IsPageValid(page);
  page.id = DrawPageId(pages_, [this] { return DrawRandom(); });
  pages_.emplace(page.id, page);

  PublishPages();
  (void)SetCurrentPage(page.id);
  SaveSettings();
  return page;
}

MaybeType<Failure, Empty> PerksModule::UpdatePage(int32_t id, api::PerkPageResource request) {
  const auto found = pages_.find(id);
  if (found == pages_.end()) return PageNotFound();
  api::PerkPageResource& page = found->second;
  if (!page.isEditable) return Failure("Page is not editable.", 403);
  if (!IsKnownStyleOrNone(catalogue_, request.primaryStyleId) ||
      !IsKnownStyleOrNone(catalogue_, request.subStyleId)) {
    return Failure("Invalid Style.", 400);
  }

  page.name = std::move(request.name);
  page.primaryStyleId = request.primaryStyleId;
  page.subStyleId = request.subStyleId;
  page.selectedPerkIds = std::move(request.selectedPerkIds);
  // Validation sees the whole list; ids of 0 beyond the sixth still count
  // as gaps before the cut.
  page.isValid = IsPageValid(page);
  page.autoModifiedSelections = std::move(request.autoModifiedSelections);
  CutSelectedPerks(page);

  SaveSettings();
  PublishPage(id);
  PublishPages();
  (void)SetCurrentPage(id);
  return Empty{};
}

MaybeType<Failure, Empty> PerksModule::DeletePage(int32_t id) {
  const auto found = pages_.find(id);
  if (found == pages_.end()) return PageNotFound();
  if (!found->second.isDeletable) return Failure("Page is not deletable.", 403);

  const int32_t neighbour = NeighbourAfterDelete(pages_, id, current_page_id_, active_page_id_);
  pages_.erase(found);
  PublishPages();
  if (neighbour != 0) (void)SetCurrentPage(neighbour);
  SaveSettings();
  return Empty{};
}

MaybeType<Failure, Empty> PerksModule::ResetPages() {
  pages_.clear();
  const std::vector<api::PerkPageResource>& presets = catalogue_.preset_pages();
  for (const api::PerkPageResource& preset : presets) pages_.emplace(preset.id, preset);
  const int32_t first_preset = presets.empty() ? 0 : presets.front().id;

  PublishPages();
  if (first_preset != 0) (void)SetCurrentPage(first_preset);
  SaveSettings();
  return Empty{};
}

MaybeType<Failure, Empty> PerksModule::SetCurrentPage(int32_t id) {
  if (id == 0) return Failure("Invalid Page Id", 404);
  const auto found = pages_.find(id);
  if (found == pages_.end()) return Failure("Perk page not found", 404);

  current_page_id_ = id;
  MaybeType<Failure, Empty> applied = Empty{};
  if (perks_enabled_ && in_champ_select_) applied = ActivatePage(found->second);
  PublishCurrentPage();
  return applied;
}

MaybeType<Failure, Empty> PerksModule::UpdatePageOrder(api::UpdatePageOrderRequest request) {
  if (pages_.count(request.targetPageId) == 0) {
    return Failure("Target page ID is invalid.", 422);
  }
  if (pages_.count(request.destinationPageId) == 0) {
    return Failure("Destination page ID is invalid.", 422);
  }
  if (!ReorderPages(pages_, request, current_page_id_, active_page_id_)) return Empty{};
  SaveSettings();
  PublishPages();
  return Empty{};
}

MaybeType<Failure, Empty> PerksModule::ClearAutoModifiedSelections(int32_t id) {
  const auto found = pages_.find(id);
  if (found == pages_.end()) return PageNotFound();
  if (!found->second.isEditable) return Failure("Page is not editable.", 403);
  found->second.autoModifiedSelections.clear();
  PublishPage(id);
  PublishPages();
  return Empty{};
}

void PerksModule::PublishPages() { PublishResource(PerksPath(kPagesPath), ListPages(true)); }

void PerksModule::PublishPage(int32_t id) {
  MaybeType<Failure, api::PerkPageResource> page = GetPage(id);
  if (page.ok()) PublishResource(PerksPagePath(id), page.value());
}

void PerksModule::PublishCurrentPage() {
  MaybeType<Failure, api::PerkPageResource> page = GetCurrentPage();
  if (page.ok()) PublishResource(PerksPath(kCurrentPagePath), page.value());
}

}  // namespace tav::perks
