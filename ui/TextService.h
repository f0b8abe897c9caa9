// The text engine that the framework measures and draws with: the platform's
// own, unless a test has put another one in place.
#pragma once

#include "platform/TextEngine.h"

namespace ui {

platform::TextEngine& ActiveTextEngine();

// Puts `engine` in place for the life of this object, then restores the one
// that was in place before.
class ScopedTextEngine {
 public:
  explicit ScopedTextEngine(platform::TextEngine& engine);
  ~ScopedTextEngine();
  ScopedTextEngine(const ScopedTextEngine&) = delete;
  ScopedTextEngine& operator=(const ScopedTextEngine&) = delete;

 private:
  platform::TextEngine* previous_;
};

}  // namespace ui
