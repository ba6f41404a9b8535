#pragma once
// What the hidden-surface tables and the row linker agree on.

namespace engine {

// The shortcut past the ray test is taken only this far clear of a ray, so
// rounding cannot make it disagree with the test itself.
inline constexpr float kRayMargin = 1e-4f;

} // namespace engine
