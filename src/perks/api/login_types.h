// The login session as the login plugin describes it.
//
//   if (session.state == LoginSessionState::SUCCEEDED) StartSession(session.summonerId);
#ifndef TAV_PERKS_API_LOGIN_TYPES_H_
#define TAV_PERKS_API_LOGIN_TYPES_H_

#include <cstdint>

namespace Vexa::Client::Perks::Api {

// ERROR keeps the number 3 although the login plugin lists it second.
enum class LoginSessionState : int32_t {
  IN_PROGRESS = 0,
  ERROR = 3,
  SUCCEEDED = 1,
  LOGGING_OUT = 2,
};

struct LoginSession {
  LoginSessionState state = LoginSessionState::IN_PROGRESS;
  uint64_t summonerId = 0;
  uint64_t accountId = 0;
};

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_LOGIN_TYPES_H_
