// One message of the messaging service, as the messaging plugin relays it.
// The payload is the message body as text (JSON for the disabled-perks
// message).
//
//   if (message.resource == expected_resource) Apply(message.payload);
#ifndef TAV_PERKS_API_MESSAGING_TYPES_H_
#define TAV_PERKS_API_MESSAGING_TYPES_H_

#include <cstdint>
#include <string>

namespace Vexa::Client::Perks::Api {

struct VexaMessagingServiceMessage {
  std::string resource;
  std::string service;
  std::string version;
  int64_t timestamp = 0;
  std::string payload;
};

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_MESSAGING_TYPES_H_
