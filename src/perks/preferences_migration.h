// The migration of the stored document from the copy the player
// preferences kept before the settings plugin stored it: the migrated
// pages are put in order and the player's own pages numbered afresh.
//
//   RenumberMigratedPages(candidate.pages);   // orders 0, 1, 2 ... of the editable pages
#ifndef TAV_PERKS_PREFERENCES_MIGRATION_H_
#define TAV_PERKS_PREFERENCES_MIGRATION_H_

#include <vector>

#include "perks/api/perks_types.h"

namespace tav::perks {

namespace api = Vexa::Client::Perks::Api;

// Sorts `pages` by `order` (pages of equal order keep their places), then
// gives the editable pages, in that order, the orders 0, 1, 2 and so on;
// the other pages keep theirs.
void RenumberMigratedPages(std::vector<api::PerkPageResource>& pages);

}  // namespace tav::perks

#endif  // TAV_PERKS_PREFERENCES_MIGRATION_H_
