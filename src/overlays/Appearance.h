#pragma once

namespace brindlow {

// Whether the desktop asks for a dark appearance: the freedesktop settings portal's colour scheme
// over D-Bus when it answers, else the application palette (window darker than its text); light
// when neither tells. Main thread; needs a QGuiApplication for the palette.
bool isDarkAppearance();

}  // namespace brindlow
