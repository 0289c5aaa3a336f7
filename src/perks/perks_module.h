// PerksModule: the plugin's one application module. It registers the perks
// API's types and endpoints while the plugin loads and starts the service
// when the core initializes it.
//
//   tav::LoadPlugin<tav::PerksModule>(info, "tav-perks");
#ifndef TAV_PERKS_PERKS_MODULE_H_
#define TAV_PERKS_PERKS_MODULE_H_

#include "plugin/app_module.h"

namespace tav {

class PerksModule : public AppModule {
 public:
  PerksModule() = default;
  ~PerksModule() override = default;

  void RegisterEndpoints() override;
  bool OnInitialize() override;
};

}  // namespace tav

#endif  // TAV_PERKS_PERKS_MODULE_H_
