// The one crossing from the host's C calls into the module's C++: whatever
// escapes the body becomes a host error code, so nothing thrown reaches the
// host.
#ifndef TARNWICK_PLUGIN_HOST_BOUNDARY_H
#define TARNWICK_PLUGIN_HOST_BOUNDARY_H

#include <new>

#include "host/HostInterface.h"
#include "host/ResultCodes.h"

namespace tarnwick {

// Runs the body and returns its code. A thrown host error code (a missing
// suite) is returned as it is, running out of memory as kOutOfMemoryError,
// anything else as kUnexpectedError.
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
