#include "perks/perks_module.h"

namespace tav {

void PerksModule::RegisterEndpoints() {}

bool PerksModule::OnInitialize() { return true; }

}  // namespace tav
