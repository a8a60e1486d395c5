#pragma once

// How long the strip's scroll and glide animations run, from the spring stiffness setting and the
// distance travelled. Pure functions, in seconds and points.
namespace brindlow::AnimationTiming {

// Stiffness below this is treated as this.
inline constexpr double kSoftestStiffness = 10.0;
// The base duration is this over the square root of the stiffness...
inline constexpr double kBaseScale = 6.2;
// ...kept within these bounds.
inline constexpr double kShortestBase = 0.15;
inline constexpr double kLongestBase = 0.9;
// A glide (windows changing places without scrolling) runs this many bases.
inline constexpr double kGlideBases = 1.1;
// A scroll runs from kFewestScrollBases to kMostScrollBases bases, one more for every
// kPointsPerExtraBase points travelled.
inline constexpr double kFewestScrollBases = 0.8;
inline constexpr double kMostScrollBases = 1.5;
inline constexpr double kPointsPerExtraBase = 2500.0;
// No animation is shorter than this.
inline constexpr double kShortestDuration = 0.05;
// The speed an animation may start with, in multiples of its average speed.
inline constexpr double kStartSpeedFactor = 2.5;
// Frames are laid out where the strip will be when they reach the screen, one frame ahead.
inline constexpr double kFrameLead = 0.008;
// A glide's progress runs from 0 to this.
inline constexpr double kGlideComplete = 1000.0;

double baseDuration(double stiffness);
double glideDuration(double stiffness);
double scrollDuration(double stiffness, double distance);
// The largest starting speed for covering `distance` in `duration`.
double startSpeedLimit(double distance, double duration);

}  // namespace brindlow::AnimationTiming
