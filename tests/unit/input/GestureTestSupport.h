#pragma once

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

struct RecordingTarget {
    std::vector<GestureCall> calls;
    GestureTarget target{[this](Point at) {
                             calls.push_back({GestureCall::Kind::began, 0, {}, at});
                         },
                         [this](double amount, GestureUnit unit) {
                             calls.push_back({GestureCall::Kind::changed, amount, unit, {}});
                         },
                         [this](double velocity, GestureUnit unit) {
                             calls.push_back({GestureCall::Kind::ended, velocity, unit, {}});
                         }};
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
