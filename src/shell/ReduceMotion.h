#pragma once

// Whether the desktop asks for reduced motion. With it on, changes happen at once.
namespace ReduceMotion {

// GNOME's enable-animations or KDE's animation speed, read on first use.
bool isOn();

// Replaces the desktop's answer for the rest of the run.
void set(bool on);

} // namespace ReduceMotion
