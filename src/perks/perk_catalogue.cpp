#include "perks/perk_catalogue.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace tav::perks {
namespace {

constexpr int32_t kFirstPresetPageId = 50;
constexpr int64_t kLastPresetPageOrder = 2147483647;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Reads the digits of `text` from `pos` on; stops at the first non-digit.
// nullopt when there is no digit or the value does not fit 32 bits.
std::optional<uint32_t> ReadNumber(std::string_view text, size_t& pos) {
  size_t start = pos;
  uint64_t value = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
    if (value > UINT32_MAX) return std::nullopt;
    ++pos;
  }
  if (pos == start) return std::nullopt;
  return static_cast<uint32_t>(value);
}

// Patch-version text -> the ids of the perks that name it, in document
// order. `texts` keeps the texts in the order they first appear, so that of
// two texts naming the same version ("14.3" and "14.03") the earlier one
// wins, whatever the hash map's order.
struct GameplayUpdateIndex {
  std::unordered_map<std::string, std::vector<int32_t>> perks_by_version;
  std::vector<std::string> texts;

  void Add(const std::string& text, int32_t perk_id) {
    auto [it, inserted] = perks_by_version.try_emplace(text);
    if (inserted) texts.push_back(text);
    it->second.push_back(perk_id);
  }
};

api::PerkUIPerk ToUIPerk(const api::PerkGDSResource& perk) {
  api::PerkUIPerk ui;
  ui.iconPath = perk.iconPath;
  ui.id = perk.id;
  ui.longDesc = perk.longDesc;
  ui.name = perk.name;
  ui.shortDesc = perk.shortDesc;
  ui.tooltip = perk.tooltip;
  return ui;
}

api::PerkPageResource PresetPage(const api::PerkStyleResource& style, int32_t id, int32_t order) {
  api::PerkPageResource page;
  page.id = id;
  page.order = order;
  page.name = style.defaultPageName;
  page.primaryStyleId = style.id;
  page.subStyleId = style.defaultSubStyle;
  page.selectedPerkIds = style.defaultPerks;
  page.isValid = true;
  page.current = false;
  page.isActive = false;
  page.isEditable = false;
  page.isDeletable = false;
  return page;
}

bool Contains(const std::vector<int32_t>& ids, int32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

std::optional<GameplayPatchVersion> ParseGameplayPatchVersion(std::string_view text) {
  size_t pos = 0;
  std::optional<uint32_t> major = ReadNumber(text, pos);
  if (!major || pos >= text.size() || text[pos] != '.') return std::nullopt;
  ++pos;
  std::optional<uint32_t> minor = ReadNumber(text, pos);
  if (!minor) return std::nullopt;
  GameplayPatchVersion version{*major, *minor, 0};
  if (pos < text.size() && IsAsciiLetter(text[pos])) version.suffix = text[pos++];
  if (pos != text.size()) return std::nullopt;
  return version;
}

bool operator<(const GameplayPatchVersion& a, const GameplayPatchVersion& b) {
  return std::make_tuple(a.major, a.minor, static_cast<unsigned char>(a.suffix)) <
         std::make_tuple(b.major, b.minor, static_cast<unsigned char>(b.suffix));
}

void PerkCatalogue::ApplyPerksDocument(const std::vector<api::PerkGDSResource>& perks) {
  GameplayUpdateIndex index;
  for (const api::PerkGDSResource& perk : perks) {
    perks_[perk.id] = ToUIPerk(perk);
    if (!perk.majorChangePatchVersion.empty()) index.Add(perk.majorChangePatchVersion, perk.id);
  }

  GameplayPatchVersion best;
  const std::string* best_text = nullptr;
  for (const std::string& text : index.texts) {
    std::optional<GameplayPatchVersion> version = ParseGameplayPatchVersion(text);
    if (!version || !(best < *version)) continue;
    best = *version;
    best_text = &text;
  }
  // A best version whose major or minor is 0 is not taken as a patch: the
  // previous gameplay update stays.
  if (best_text == nullptr || best.major == 0 || best.minor == 0) return;
  gameplay_updated_perks_ = index.perks_by_version[*best_text];
  latest_gameplay_patch_ = *best_text;
}

void PerkCatalogue::ApplyStylesDocument(const std::vector<api::PerkStyleResource>& styles,
                                        bool can_use_advanced) {
  // Orders count down from the top by the whole document, skipped styles
  // included, so the presets sort after every page the player made.
  const int64_t count = static_cast<int64_t>(styles.size());
  preset_pages_.clear();
  int32_t next_id = kFirstPresetPageId;
  int64_t next_order = kLastPresetPageOrder - count;
  for (const api::PerkStyleResource& style : styles) {
    if (style.isAdvanced && !can_use_advanced) continue;
    styles_[style.id] = style;
    preset_pages_.push_back(PresetPage(style, next_id, static_cast<int32_t>(next_order)));
    ++next_id;
    --next_order;
  }
}

void PerkCatalogue::ApplyRestriction(const std::vector<api::PerkStyleResource>& returned) {
  std::set<int32_t> kept;
  for (const api::PerkStyleResource& narrowed : returned) {
    auto it = styles_.find(narrowed.id);
    if (it == styles_.end()) continue;
    std::vector<api::PerkStyleSlotResource> old_slots = std::move(it->second.slots);
    std::vector<api::PerkStyleSlotResource>& slots = it->second.slots;
    slots = narrowed.slots;
    // The labels shown to the player come from the game data; keep them for
    // every position that exists on both sides.
    const size_t common = std::min(old_slots.size(), slots.size());
    for (size_t i = 0; i < common; ++i) slots[i].slotLabel = std::move(old_slots[i].slotLabel);
    kept.insert(narrowed.id);
  }
  for (auto it = styles_.begin(); it != styles_.end();) {
    it = kept.count(it->first) != 0 ? std::next(it) : styles_.erase(it);
  }
}

void PerkCatalogue::ApplyChampionMap(const std::vector<api::ChampionPreferredStyle>& champions) {
  for (const api::ChampionPreferredStyle& champion : champions) {
    champions_[champion.championId] = champion;
  }
}

std::vector<api::PerkUIStyle> PerkCatalogue::StylesView() const {
  std::vector<api::PerkUIStyle> view;
  view.reserve(styles_.size());
  for (const auto& [id, style] : styles_) {
    api::PerkUIStyle ui;
    ui.allowedSubStyles = style.allowedSubStyles;
    ui.iconPath = style.iconPath;
    ui.assetMap = style.assetMap;
    ui.id = style.id;
    ui.name = style.name;
    for (const api::PerkStyleSlotResource& slot : style.slots) {
      api::PerkUISlot ui_slot;
      ui_slot.type = slot.type;
      ui_slot.slotLabel = slot.slotLabel;
      for (int32_t perk_id : slot.perks) {
        auto perk = perks_.find(perk_id);
        if (perk != perks_.end()) ui_slot.perks.push_back(perk->second.id);
      }
      ui.slots.push_back(std::move(ui_slot));
    }
    ui.subStyleBonus = style.subStyleBonus;
    ui.tooltip = style.tooltip;
    ui.defaultSubStyle = style.defaultSubStyle;
    ui.defaultPerks = style.defaultPerks;
    ui.defaultPageName = style.defaultPageName;
    view.push_back(std::move(ui));
  }
  return view;
}

std::vector<api::PerkUIPerk> PerkCatalogue::PerksView() const {
  std::vector<api::PerkUIPerk> view;
  view.reserve(perks_.size());
  for (const auto& [id, perk] : perks_) view.push_back(perk);
  return view;
}

api::PerkUIPerk PerkCatalogue::LookUpPerk(int32_t id) const {
  auto it = perks_.find(id);
  return it != perks_.end() ? it->second : api::PerkUIPerk{};
}

std::vector<int32_t> PerkCatalogue::UnseenGameplayUpdated(const std::vector<int32_t>& seen) const {
  std::set<int32_t> updated(gameplay_updated_perks_.begin(), gameplay_updated_perks_.end());
  std::set<int32_t> seen_set(seen.begin(), seen.end());
  std::vector<int32_t> unseen;
  std::set_difference(updated.begin(), updated.end(), seen_set.begin(), seen_set.end(),
                      std::back_inserter(unseen));
  return unseen;
}

bool PerkCatalogue::Acknowledge(const std::vector<int32_t>& ids, std::vector<int32_t>& seen) const {
  bool appended = false;
  for (int32_t id : ids) {
    if (!IsGameplayUpdated(id) || Contains(seen, id)) continue;
    seen.push_back(id);
    appended = true;
  }
  return appended;
}

const api::PerkStyleResource* PerkCatalogue::FindStyle(int32_t id) const {
  auto it = styles_.find(id);
  return it != styles_.end() ? &it->second : nullptr;
}

bool PerkCatalogue::HasStyle(int32_t id) const { return styles_.count(id) != 0; }

bool PerkCatalogue::HasPerk(int32_t id) const { return perks_.count(id) != 0; }

bool PerkCatalogue::IsGameplayUpdated(int32_t id) const {
  return Contains(gameplay_updated_perks_, id);
}

}  // namespace tav::perks
