#include "wallpaper/MonitorLayout.h"

#include <algorithm>

namespace {

constexpr int64_t kMaxSide = 65536;  // the scaler's largest screen

}  // namespace

MonitorLayout monitorLayout(const std::vector<platform::Monitor>& monitors) {
    std::vector<platform::Monitor> usable;
    for (const platform::Monitor& m : monitors) {
        if (m.right > m.left && m.bottom > m.top) usable.push_back(m);
    }
    MonitorLayout layout;
    if (usable.empty()) return layout;

    auto primary = std::find_if(usable.begin(), usable.end(), [](const platform::Monitor& m) { return m.primary; });
    if (primary == usable.end()) primary = usable.begin();
    std::iter_swap(usable.begin(), primary);
    std::stable_sort(usable.begin() + 1, usable.end(), [](const platform::Monitor& a, const platform::Monitor& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });

    // In 64 bits: the system's coordinates are any 32-bit values.
    int64_t left = usable[0].left, top = usable[0].top, right = usable[0].right, bottom = usable[0].bottom;
    for (const platform::Monitor& m : usable) {
        left = std::min<int64_t>(left, m.left);
        top = std::min<int64_t>(top, m.top);
        right = std::max<int64_t>(right, m.right);
        bottom = std::max<int64_t>(bottom, m.bottom);
    }
    if (right - left > kMaxSide || bottom - top > kMaxSide) return layout;

    layout.width = int32_t(right - left);
    layout.height = int32_t(bottom - top);
    for (const platform::Monitor& m : usable) {
        layout.monitors.push_back({int32_t(m.left - left), int32_t(m.top - top), int32_t(int64_t(m.right) - m.left),
                                   int32_t(int64_t(m.bottom) - m.top)});
    }
    layout.primaryX = layout.monitors[0].x;
    layout.primaryY = layout.monitors[0].y;
    return layout;
}
