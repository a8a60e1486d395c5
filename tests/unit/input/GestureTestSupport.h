#pragma once

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "input/GestureMachines.h"

namespace brindlow::test {

// What the strip controller was told, one entry per call.
struct GestureCall {
    enum class Kind { began, changed, ended } kind;
    double value = 0;  // amount or velocity; 0 for began
    GestureUnit unit = GestureUnit::points;
    Point location;
};

// Values within a billionth are equal: velocities are quotients.
inline bool operator==(const GestureCall& a, const GestureCall& b) {
    return a.kind == b.kind && std::abs(a.value - b.value) < 1e-9 && a.unit == b.unit &&
           a.location == b.location;
}
inline void PrintTo(const GestureCall& c, std::ostream* out) {
    *out << "{kind " << int(c.kind) << ", " << c.value << " unit " << int(c.unit) << " at "
         << c.location.x << "," << c.location.y << "}";
}
inline GestureCall began(Point at) {
    return {GestureCall::Kind::began, 0, {}, at};
}
inline GestureCall changed(double amount, GestureUnit unit) {
    return {GestureCall::Kind::changed, amount, unit, {}};
}
inline GestureCall ended(double velocity, GestureUnit unit) {
    return {GestureCall::Kind::ended, velocity, unit, {}};
}

struct RecordingTarget {
    std::vector<GestureCall> calls;
    GestureTarget target{
        [this](Point at) { calls.push_back(began(at)); },
        [this](double amount, GestureUnit unit) { calls.push_back(changed(amount, unit)); },
        [this](double velocity, GestureUnit unit) { calls.push_back(ended(velocity, unit)); }};
};

inline InputEvent swipe(InputEvent::Phase phase, int fingers, double dx, double dy, double time) {
    InputEvent event;
    event.kind = InputEvent::Kind::swipe;
    event.phase = phase;
    event.fingers = fingers;
    event.dx = dx;
    event.dy = dy;
    event.time = time;
    event.location = {700, 300};
    return event;
}

inline InputEvent scroll(InputEvent::Phase phase, double dx, double dy, double time = 0,
                         std::uint32_t modifiers = 0) {
    InputEvent event;
    event.kind = InputEvent::Kind::scroll;
    event.phase = phase;
    event.dx = dx;
    event.dy = dy;
    event.time = time;
    event.continuous = true;
    event.modifiers = modifiers;
    event.location = {40, 50};
    return event;
}

inline InputEvent momentum(InputEvent::Phase phase) {
    InputEvent event = scroll(InputEvent::Phase::none, 3, 0);
    event.momentum = phase;
    return event;
}

}  // namespace brindlow::test
