// The one crossing from the host's C calls into the module's C++: whatever
// escapes the body becomes a host error code, so nothing thrown reaches the
// host.
#ifndef TARNWICK_PLUGIN_HOST_BOUNDARY_H
#define TARNWICK_PLUGIN_HOST_BOUNDARY_H

#include <new>

#include "host/HostInterface.h"

namespace tarnwick {

// Result when memory ran out.
constexpr HostError kOutOfMemoryError = 4;
// Result of any exception other than a host error code.
constexpr HostError kUnexpectedError = 1;

// Runs the body and returns its code. A thrown host error code (a missing
// suite, 516) is returned as it is, running out of memory as 4, anything
// else as 1.
template <typename Body>
HostError CrossIntoModule(Body&& body) noexcept {
  try {
    return body();
  } catch (HostError thrown) {
    return thrown;
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryError;
  } catch (...) {
    return kUnexpectedError;
  }
}

}  // namespace tarnwick

#endif
