#include "input/TrackpadGestureRecognizer.h"

#include <string>

namespace brindlow {

GestureRecognizer::GestureRecognizer(EventTap* tap, GestureTarget target)
    : tap_(tap),
      target_(std::move(target)),
      log_(makeLogger("Gestures")),
      touches_(target_, log_),
      scrolls_(target_, log_) {}

GestureRecognizer::~GestureRecognizer() {
    stop();
}

void GestureRecognizer::apply(GestureConfig config) {
    if (config.fingers) config.fingers = *config.fingers >= 4 ? 4 : 3;
    if (config == running_.value_or(GestureConfig{})) return;
    stop();
    if (!config.fingers && config.twoFinger == TwoFingerScroll::off) return;
    start(config);
}

void GestureRecognizer::stop() {
    // Joins the tap thread first: the machines are this thread's again afterwards.
    if (tap_) tap_->stop();
    touches_.abandon();
    scrolls_.abandon();
    if (running_) log_.info("Trackpad listening off");
    running_.reset();
}

void GestureRecognizer::start(const GestureConfig& config) {
    config_ = config;
    touches_.reset(config.fingers.value_or(3));
    scrolls_.reset(config.twoFinger);
    EventTap::Options options;
    options.swipes = config.fingers.has_value();
    options.scrolls = config.twoFinger != TwoFingerScroll::off;
    options.scrollsWithKeysOnly = config.twoFinger == TwoFingerScroll::withKeys;
    const EventTap::Started started =
        tap_ ? tap_->start(options, [this](const InputEvent& event) { return handle(event); })
             : EventTap::Started{};
    if (!started.running) {
        log_.error("Could not create the trackpad event tap");
        return;
    }
    if (options.swipes && !started.swipes)
        log_.error("Finger swipes are unavailable: the display server reports no swipe gestures");
    running_ = config;
    const std::string swipe =
        config.fingers ? std::to_string(*config.fingers) + "-finger swipe" : "no finger swipe";
    log_.info("Trackpad listening: %{public}s, two-finger scroll %{public}s", swipe,
              toText(config.twoFinger));
}

EventTap::Verdict GestureRecognizer::handle(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::swipe) {
        // Touches are never swallowed.
        if (config_.fingers) touches_.handle(event);
        return EventTap::Verdict::pass;
    }
    giveBack_.clear();
    const EventTap::Verdict verdict = scrolls_.handle(event, giveBack_);
    if (!giveBack_.empty()) tap_->repost(giveBack_);
    return verdict;
}

}  // namespace brindlow
