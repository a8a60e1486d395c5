#include "input/GestureMachines.h"

#include <cmath>

namespace brindlow {

void VelocitySamples::restart(double time, double x) {
    samples_.clear();
    samples_.emplace_back(time, x);
}

void VelocitySamples::add(double time, double x) {
    samples_.emplace_back(time, x);
    while (!samples_.empty() && time - samples_.front().first > kWindow) samples_.pop_front();
}

double VelocitySamples::velocity() const {
    if (samples_.empty()) return 0;
    const double span = samples_.back().first - samples_.front().first;
    if (span <= kMinimumSpan) return 0;
    return (samples_.back().second - samples_.front().second) / span;
}

// MARK: Finger swipe

void TouchMachine::reset(int fingers) {
    fingers_ = fingers;
    phase_ = Phase::idle;
}

void TouchMachine::abandon() {
    if (phase_ == Phase::tracking) target_.ended(0, GestureUnit::trackpadWidth);
    phase_ = Phase::idle;
}

void TouchMachine::handle(const InputEvent& event) {
    if (event.kind != InputEvent::Kind::swipe) return;
    const bool lifted =
        event.phase == InputEvent::Phase::ended || event.phase == InputEvent::Phase::cancelled;
    const int count = lifted ? 0 : event.fingers;
    if (count > 0 && !loggedFirstTouch_) {
        loggedFirstTouch_ = true;
        log_.info("First trackpad touch event received (%ld fingers)", count);
    }
    x_ += event.dx;
    y_ += event.dy;

    switch (phase_) {
        case Phase::idle:
            if (count == fingers_) {
                phase_ = Phase::possible;
                x_ = y_ = startX_ = startY_ = 0;
            }
            break;
        case Phase::possible: {
            if (count != fingers_) {
                phase_ = count == 0 ? Phase::idle : Phase::ignored;
                break;
            }
            const double dx = x_ - startX_;
            const double dy = y_ - startY_;
            if (std::abs(dx) > kStartDistance && std::abs(dx) > kSidewaysRatio * std::abs(dy)) {
                phase_ = Phase::tracking;
                // Measured from here, so the swipe does not jump by the start distance.
                startX_ = x_;
                samples_.restart(event.time, x_);
                target_.began(event.location);
            } else if (std::abs(dy) > kVerticalLimit) {
                phase_ = Phase::ignored;
            }
            break;
        }
        case Phase::tracking:
            if (count != fingers_) {
                target_.ended(samples_.velocity(), GestureUnit::trackpadWidth);
                phase_ = count == 0 ? Phase::idle : Phase::ignored;
                break;
            }
            samples_.add(event.time, x_);
            target_.changed(x_ - startX_, GestureUnit::trackpadWidth);
            break;
        case Phase::ignored:
            if (count == 0) phase_ = Phase::idle;
            break;
    }
}

// MARK: Two-finger scroll

void ScrollMachine::reset(TwoFingerScroll mode) {
    mode_ = mode;
    state_ = State::idle;
    held_.clear();
    swallowMomentum_ = false;
}

void ScrollMachine::abandon() {
    if (state_ == State::tracking) target_.ended(0, GestureUnit::points);
    reset(mode_);
}

bool ScrollMachine::modifiersAllow(std::uint32_t modifiers) const {
    const bool control = modifiers & modifier::control;
    const bool option = modifiers & modifier::option;
    const bool command = modifiers & modifier::command;
    switch (mode_) {
        case TwoFingerScroll::always:
            return !control && !option && !command;
        case TwoFingerScroll::withKeys:
            return control && option && !command;
        case TwoFingerScroll::off:
            return false;
    }
    return false;
}

ScrollMachine::Verdict ScrollMachine::handle(const InputEvent& event,
                                             std::vector<InputEvent>& giveBack) {
    using Phase = InputEvent::Phase;
    if (event.kind != InputEvent::Kind::scroll || event.reposted) return Verdict::pass;
    if (event.momentum != Phase::none) {
        const Verdict verdict = swallowMomentum_ ? Verdict::swallow : Verdict::pass;
        if (event.momentum == Phase::ended) swallowMomentum_ = false;
        return verdict;
    }
    if (!event.continuous) return Verdict::pass;
    const bool ends = event.phase == Phase::ended || event.phase == Phase::cancelled;

    if (event.phase == Phase::began) {
        // What is left of the previous scroll closes first.
        if (state_ == State::passing) {
            state_ = State::idle;
        } else if (state_ == State::tracking) {
            target_.ended(0, GestureUnit::points);
            state_ = State::idle;
        }
    }

    switch (state_) {
        case State::idle:
            if (event.phase != Phase::began && event.phase != Phase::changed) return Verdict::pass;
            if (!modifiersAllow(event.modifiers)) {
                if (event.phase == Phase::began) swallowMomentum_ = false;
                state_ = State::passing;
                return Verdict::pass;
            }
            swallowMomentum_ = false;
            state_ = State::deciding;
            held_.clear();
            heldDX_ = heldDY_ = 0;
            return decide(event, giveBack);
        case State::deciding:
            if (ends) {
                held_.push_back(event);
                giveBackHeld(giveBack);
                state_ = State::idle;
                return Verdict::swallow;
            }
            return decide(event, giveBack);
        case State::tracking:
            if (ends) {
                state_ = State::idle;
                target_.ended(samples_.velocity(), GestureUnit::points);
                return Verdict::swallow;
            }
            total_ += event.dx;
            samples_.add(event.time, total_);
            target_.changed(total_, GestureUnit::points);
            return Verdict::swallow;
        case State::passing:
            if (ends) state_ = State::idle;
            return Verdict::pass;
    }
    return Verdict::pass;
}

ScrollMachine::Verdict ScrollMachine::decide(const InputEvent& event,
                                             std::vector<InputEvent>& giveBack) {
    held_.push_back(event);
    heldDX_ += event.dx;
    heldDY_ += event.dy;
    if (std::abs(heldDX_) + std::abs(heldDY_) < kDecideDistance && held_.size() < kDecideEvents)
        return Verdict::swallow;
    if (std::abs(heldDX_) > kSidewaysRatio * std::abs(heldDY_)) {
        if (!loggedFirstScroll_) {
            loggedFirstScroll_ = true;
            log_.info("First two-finger strip scroll received");
        }
        state_ = State::tracking;
        swallowMomentum_ = true;
        held_.clear();
        total_ = heldDX_;
        samples_.restart(event.time, total_);
        target_.began(event.location);
        target_.changed(total_, GestureUnit::points);
    } else {
        state_ = State::passing;
        giveBackHeld(giveBack);
    }
    return Verdict::swallow;
}

void ScrollMachine::giveBackHeld(std::vector<InputEvent>& giveBack) {
    for (InputEvent& event : held_) {
        event.reposted = true;
        giveBack.push_back(event);
    }
    held_.clear();
}

}  // namespace brindlow
