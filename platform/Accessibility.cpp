#include "platform/Accessibility.h"

#include <climits>

namespace platform {

std::vector<AccessibleChange> AccessibleChanges(const AccessibleTree& before, const AccessibleTree& after) {
  using Kind = AccessibleChange::Kind;
  std::vector<AccessibleChange> changes;
  const auto focusOf = [](const AccessibleTree& tree) {
    for (std::size_t i = 0; i < tree.children.size(); ++i)
      if ((tree.children[i].states & kAccessibleFocused) != 0) return static_cast<int>(i);
    return -1;
  };
  if (before.visible != after.visible) changes.push_back({Kind::Visibility, -1});
  if (before.name != after.name || before.application != after.application) changes.push_back({Kind::Name, -1});
  if (before.children.size() != after.children.size()) {
    changes.push_back({Kind::Children, -1});
    const int focus = focusOf(after);
    if (focus >= 0) changes.push_back({Kind::Focus, focus});
    return changes;
  }
  const int focusBefore = focusOf(before);
  const int focusAfter = focusOf(after);
  if (focusBefore != focusAfter) changes.push_back({Kind::Focus, focusAfter});
  for (std::size_t i = 0; i < after.children.size(); ++i) {
    const AccessibleElement& was = before.children[i];
    const AccessibleElement& now = after.children[i];
    const int child = static_cast<int>(i);
    if (was.states != now.states) changes.push_back({Kind::State, child});
    if (was.name != now.name || was.description != now.description || was.defaultAction != now.defaultAction ||
        was.role != now.role)
      changes.push_back({Kind::Name, child});
    if (was.bounds != now.bounds) changes.push_back({Kind::Location, child});
  }
  return changes;
}

namespace {

// How far `to` lies beyond `from` in `direction`, or -1 when it does not lie
// wholly on that side or shares none of its extent across it.
long long Distance(const PixelRect& from, const PixelRect& to, AccessibleDirection direction) {
  const auto overlaps = [](int a0, int a1, int b0, int b1) { return a0 < b1 && b0 < a1; };
  const bool across = direction == AccessibleDirection::Up || direction == AccessibleDirection::Down
                          ? overlaps(from.left, from.left + from.width, to.left, to.left + to.width)
                          : overlaps(from.top, from.top + from.height, to.top, to.top + to.height);
  if (!across) return -1;
  long long gap = -1;
  switch (direction) {
    case AccessibleDirection::Up: gap = static_cast<long long>(from.top) - (to.top + to.height); break;
    case AccessibleDirection::Down: gap = static_cast<long long>(to.top) - (from.top + from.height); break;
    case AccessibleDirection::Left: gap = static_cast<long long>(from.left) - (to.left + to.width); break;
    case AccessibleDirection::Right: gap = static_cast<long long>(to.left) - (from.left + from.width); break;
    default: break;
  }
  return gap;
}

}  // namespace

int NavigateAccessible(const AccessibleTree& tree, int from, AccessibleDirection direction) {
  const int count = static_cast<int>(tree.children.size());
  switch (direction) {
    case AccessibleDirection::First: return count > 0 ? 0 : -1;
    case AccessibleDirection::Last: return count > 0 ? count - 1 : -1;
    default: break;
  }
  if (from < 0 || from >= count) return -1;
  if (direction == AccessibleDirection::Next) return from + 1 < count ? from + 1 : -1;
  if (direction == AccessibleDirection::Previous) return from - 1;
  int best = -1;
  long long bestGap = LLONG_MAX;
  for (int i = 0; i < count; ++i) {
    if (i == from) continue;
    const long long gap = Distance(tree.children[static_cast<std::size_t>(from)].bounds,
                                   tree.children[static_cast<std::size_t>(i)].bounds, direction);
    if (gap >= 0 && gap < bestGap) {
      best = i;
      bestGap = gap;
    }
  }
  return best;
}

int AccessibleChildAt(const AccessibleTree& tree, int x, int y) {
  for (std::size_t i = 0; i < tree.children.size(); ++i) {
    const PixelRect& r = tree.children[i].bounds;
    if (x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace platform
