#include "platform/RunningMark.h"

namespace platform {

// No setup program on Linux looks for a running launcher: nothing to hold.
RunningMark::RunningMark() noexcept = default;
RunningMark::~RunningMark() = default;

}  // namespace platform
