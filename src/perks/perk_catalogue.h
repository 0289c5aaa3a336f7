// PerkCatalogue: the service's picture of the game's perk data. It holds the
// perks, the styles with their slots, each champion's preferred style, the
// read-only preset pages derived from the styles, and the perks whose
// gameplay changed in the latest patch. It is filled from documents that the
// caller has already fetched and converted; it does no I/O and logs nothing.
//
//   PerkCatalogue catalogue;
//   catalogue.ApplyPerksDocument(perks);
//   catalogue.ApplyStylesDocument(styles, /*can_use_advanced=*/false);
//   std::vector<api::PerkUIStyle> view = catalogue.StylesView();
//   const api::PerkStyleResource* style = catalogue.FindStyle(710);
#ifndef TAV_PERKS_PERK_CATALOGUE_H_
#define TAV_PERKS_PERK_CATALOGUE_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "perks/api/perks_types.h"

namespace tav::perks {

namespace api = Vexa::Client::Perks::Api;

// A game-data patch version "major.minor" with an optional one-letter suffix,
// as in "14.3b". suffix is 0 when there is none, which orders below every
// letter.
struct GameplayPatchVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  char suffix = 0;
};

// Reads `text` when the whole of it is digits, a dot, digits and at most one
// ASCII letter; nullopt otherwise ("V10", "10.1.2", "10.", " 10.1"). A number
// too large for 32 bits also gives nullopt, so such a text never counts.
[[nodiscard]] std::optional<GameplayPatchVersion> ParseGameplayPatchVersion(std::string_view text);

// Orders by major, then minor, then suffix character.
bool operator<(const GameplayPatchVersion& a, const GameplayPatchVersion& b);

class PerkCatalogue {
 public:
  // Takes the perks document, converted element by element (a field that did
  // not convert keeps its default, so an element may arrive with id -1; it is
  // stored all the same). Entries are inserted or replaced by id and never
  // removed. Rebuilds the gameplay-update index from this document and, when
  // its latest version has a non-zero major and a non-zero minor, makes that
  // version's perks (in document order) the gameplay-updated perks and its
  // text the latest gameplay patch. Otherwise both keep their previous values.
  void ApplyPerksDocument(const std::vector<api::PerkGDSResource>& perks);

  // Takes the styles document. Advanced styles are skipped entirely unless
  // `can_use_advanced`. Every kept style is inserted or replaced by id, and
  // the preset pages are rebuilt: the k-th kept style gives page id 50 + k and
  // order 2147483647 - N - k, N counting every element of the document,
  // skipped ones included.
  void ApplyStylesDocument(const std::vector<api::PerkStyleResource>& styles,
                           bool can_use_advanced);

  // Narrows the styles to those the game service returned: each returned
  // style known here gets the returned slots, keeping the old slot labels by
  // position; styles not returned are removed; returned styles unknown here
  // are ignored. The preset pages are left as they are.
  void ApplyRestriction(const std::vector<api::PerkStyleResource>& returned);

  // Inserts or replaces each champion's preferred style by championId.
  void ApplyChampionMap(const std::vector<api::ChampionPreferredStyle>& champions);

  // The styles in ascending id. A slot lists only the perks of the perk table,
  // in the slot's order.
  [[nodiscard]] std::vector<api::PerkUIStyle> StylesView() const;
  // The perks in ascending id.
  [[nodiscard]] std::vector<api::PerkUIPerk> PerksView() const;
  // The perk `id`, or a record with id -1 and empty texts when absent.
  [[nodiscard]] api::PerkUIPerk LookUpPerk(int32_t id) const;

  // Ascending, without duplicates: the gameplay-updated perks not in `seen`.
  [[nodiscard]] std::vector<int32_t> UnseenGameplayUpdated(const std::vector<int32_t>& seen) const;
  // Appends to `seen`, in the order of `ids`, every id that is
  // gameplay-updated and not yet in `seen`. True when one was appended.
  bool Acknowledge(const std::vector<int32_t>& ids, std::vector<int32_t>& seen) const;

  // The style `id`, or null.
  [[nodiscard]] const api::PerkStyleResource* FindStyle(int32_t id) const;
  [[nodiscard]] bool HasStyle(int32_t id) const;
  [[nodiscard]] bool HasPerk(int32_t id) const;
  [[nodiscard]] bool IsGameplayUpdated(int32_t id) const;

  const std::map<int32_t, api::PerkStyleResource>& styles() const { return styles_; }
  const std::map<int32_t, api::PerkUIPerk>& perks() const { return perks_; }
  const std::map<uint32_t, api::ChampionPreferredStyle>& champions() const { return champions_; }
  // One page per style kept by the last styles document, in document order.
  const std::vector<api::PerkPageResource>& preset_pages() const { return preset_pages_; }
  // In the order the perks document listed them.
  const std::vector<int32_t>& gameplay_updated_perks() const { return gameplay_updated_perks_; }
  // Empty until a perks document named a version that counts.
  const std::string& latest_gameplay_patch() const { return latest_gameplay_patch_; }

 private:
  std::map<int32_t, api::PerkUIPerk> perks_;
  std::map<int32_t, api::PerkStyleResource> styles_;
  std::map<uint32_t, api::ChampionPreferredStyle> champions_;
  std::vector<api::PerkPageResource> preset_pages_;
  std::vector<int32_t> gameplay_updated_perks_;
  std::string latest_gameplay_patch_;
};

}  // namespace tav::perks

#endif  // TAV_PERKS_PERK_CATALOGUE_H_
