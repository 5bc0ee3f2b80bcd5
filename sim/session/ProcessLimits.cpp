#include "sim/session/ProcessLimits.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace tarnwick::sim {

void LimitThisProcess() {
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
#endif
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
  constexpr rlim_t kAddressSpaceLimit = rlim_t{8} << 30;
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 &&
      (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > kAddressSpaceLimit)) {
    limit.rlim_cur = kAddressSpaceLimit;
    setrlimit(RLIMIT_AS, &limit);
  }
#endif
}

}  // namespace tarnwick::sim
