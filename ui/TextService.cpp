#include "ui/TextService.h"

namespace ui {
namespace {
platform::TextEngine* g_override = nullptr;
}

platform::TextEngine& ActiveTextEngine() {
  return g_override != nullptr ? *g_override : platform::SystemTextEngine();
}

ScopedTextEngine::ScopedTextEngine(platform::TextEngine& engine) : previous_(g_override) {
  g_override = &engine;
}

ScopedTextEngine::~ScopedTextEngine() { g_override = previous_; }

}  // namespace ui
