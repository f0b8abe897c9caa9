// A mark that the launcher is running, which the setup program and the
// uninstaller look for: while any launcher holds it, they change nothing.
#pragma once

namespace platform {

// Held from construction to destruction. Windows: a handle to the named mutex
// "Global\VidorraMain" (the name the setup script checks, see
// cmake/Packaging.cmake), in the machine-wide namespace so that a launcher of
// any session counts; nothing else is stored. Linux: nothing (no setup
// program looks). Never fails outward: without the mark the program runs
// all the same.
class RunningMark {
 public:
  RunningMark() noexcept;
  ~RunningMark();
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;

 private:
  [[maybe_unused]] void* handle_ = nullptr;  // unused where nothing is held
};

}  // namespace platform
