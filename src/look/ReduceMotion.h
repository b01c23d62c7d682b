#pragma once

class QObject;

// Whether the desktop asks for reduced motion. With it on, changes happen at once.
namespace ReduceMotion {

// Reads KDE's animation speed from its settings file, and asks GNOME's enable-animations
// setting in the background, so no animation waits on it. Without this call, the KDE file
// is read on first use.
void readDesktopSetting(QObject *context);

bool isOn();

// Replaces the desktop's answer for the rest of the run.
void set(bool on);

} // namespace ReduceMotion
