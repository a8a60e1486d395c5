#pragma once

#include "geometry/Geometry.h"

// How animation frames are paced for each window: where a gliding window stands part-way, and how
// far ahead a slow application is sent its frames. Pure functions, in seconds and points.
namespace brindlow::FramePacing {

// An application whose moves lag this much or more is slow: it gets its frames ahead of time, and
// its windows glide without resizing on the way.
inline constexpr double kSlowApplicationLag = 0.025;
// The longest lead a slow application gets.
inline constexpr double kLongestLead = 0.3;
// Leads are rounded to this step, so one predicted layout serves many windows.
inline constexpr double kLeadStep = 0.02;

// The frame `fraction` (0 to 1) of the way from `from` to `to`, on whole points; a window that
// resizes slowly takes its final size at once and only slides.
Rect glideFrame(const Rect& from, const Rect& to, double fraction, bool slowResize);

// How far ahead a window whose moves lag `lag` seconds is sent its frames, in whole lead steps:
// 0 for a quick application.
int leadSteps(double lag);
// The fewest whole lead steps that reach at least `lead` seconds ahead; 0 for none.
int stepsToReach(double lead);

}  // namespace brindlow::FramePacing
