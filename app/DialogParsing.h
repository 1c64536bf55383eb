#pragma once
// What the setup dialog does with its texts, apart from any toolkit: the
// "<number>x<number>" reading of the two fields, the record the Start button
// produces, and the check that keeps impossible choices from reaching the
// renderer.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/LaunchSettings.h"

namespace tolmero {

// Reads "<int>x<int>" the way C's sscanf reads it with "%dx%d": white space
// may precede each number, each number may carry a sign, and reading stops at
// the first character that does not fit. Only the numbers actually read are
// stored; the others keep their values. Returns how many were stored (0, 1 or
// 2). A number beyond the range of int32 saturates at its limit, so it stays
// out of range for the check below instead of wrapping into a valid size.
int scanSizePair(std::string_view text, std::int32_t& first, std::int32_t& second);

// The state of the dialog's controls when Start is pressed.
struct DialogChoice {
    std::string resolution;  // text of the resolution field, e.g. "1920x1080"
    std::string samples;     // text of the samples field, e.g. "4x4"
    bool fullscreen = true;  // the "Fullscreen" box is checked
};

// The record after Start: `started` = 1, both texts read with scanSizePair
// over the current values, and `windowed` = 0 when the box is checked
// (otherwise left as it was).
LaunchSettings applyDialogChoice(const LaunchSettings& current, const DialogChoice& choice);

// Which field a problem belongs to, so the dialog can point at it.
enum class DialogField { None, Resolution, Samples };

struct DialogProblem {
    DialogField field = DialogField::None;
    std::string message;  // empty when the settings can be used
    explicit operator bool() const { return field != DialogField::None; }
};

// Window sizes must be positive, supersampling factors between 1 and
// kMaxSupersample, and the render size (window size times factors) at most
// `maxImageDimension` on each axis, the largest 2D image the device can make.
DialogProblem checkDialogSettings(const LaunchSettings& settings, std::uint32_t maxImageDimension);

}  // namespace tolmero
