#include "platform/x11/focus/FocusHandBack.h"

namespace brindlow {

std::uint32_t FocusHandBack::plan(std::uint32_t from, std::uint32_t to) {
    std::lock_guard lock(mutex_);
    stage_ = Stage::waiting;
    request_ = Request{from, to};
    overtakenBy_.reset();
    return ++lastMarker_;
}

std::optional<FocusHandBack::Request> FocusHandBack::desktopSwitchRequested(std::uint32_t desktop) {
    std::lock_guard lock(mutex_);
    switch (stage_) {
        case Stage::waiting:
            stage_ = Stage::idle;
            return request_;
        case Stage::sent:
            // Handled before the hand-back: the window manager will leave that desktop again.
            overtakenBy_ = desktop;
            return std::nullopt;
        case Stage::reasking:
            // The user's newer choice comes after the hand-back anyway.
            stage_ = Stage::idle;
            return std::nullopt;
        case Stage::idle:
            return std::nullopt;
    }
    return std::nullopt;
}

FocusHandBack::Due FocusHandBack::markerArrived(std::uint32_t marker) {
    std::lock_guard lock(mutex_);
    if (marker != lastMarker_) return {};
    if (stage_ == Stage::waiting) {
        stage_ = Stage::sent;
        return Due{request_, std::nullopt};
    }
    if (stage_ == Stage::reasking) {
        stage_ = Stage::idle;
        return Due{std::nullopt, overtakenBy_};
    }
    return {};
}

std::optional<std::uint32_t> FocusHandBack::activationHeard(std::uint32_t from, std::uint32_t to) {
    std::lock_guard lock(mutex_);
    if (stage_ != Stage::sent || request_.from != from || request_.to != to) return std::nullopt;
    if (!overtakenBy_) {
        stage_ = Stage::idle;
        return std::nullopt;
    }
    stage_ = Stage::reasking;
    return ++lastMarker_;
}

}  // namespace brindlow
