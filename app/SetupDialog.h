#pragma once
// The setup dialog "QELM": resolution, supersampling factors and full-screen
// mode, then Start or Cancel. Shown once, before the window exists.

#include <cstdint>

#include "app/LaunchSettings.h"

namespace tolmero {

// Used when the device's largest 2D image size is not known.
constexpr std::uint32_t kDefaultMaxImageDimension = 16384;

// Runs the dialog modally on the calling thread and returns when it has
// closed. Start fills `settings` (started = 1, the chosen sizes and mode);
// Cancel, Escape and the close box leave it untouched. Start is refused, with
// a message in the dialog, while the choice cannot be rendered: sizes must be
// positive, factors between 1 and 16, and the render size (resolution times
// factors) within `maxImageDimension` on each axis.
//
// Returns false, after printing one line to standard error and without
// touching `settings`, when no graphical display can be opened.
bool showSetupDialog(LaunchSettings& settings, std::uint32_t maxImageDimension = kDefaultMaxImageDimension);

}  // namespace tolmero
