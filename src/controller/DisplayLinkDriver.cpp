#include "controller/DisplayLinkDriver.h"

namespace brindlow {

DisplayLinkDriver::DisplayLinkDriver(LinkFactory makeLink, const Clock& clock)
    : makeLink_(std::move(makeLink)), clock_(clock) {}

DisplayLinkDriver::~DisplayLinkDriver() {
    // The link goes first, so no frame reaches a half-destroyed driver.
    if (link_) link_->stop();
    link_.reset();
}

void DisplayLinkDriver::start() {
    if (!link_) {
        if (!makeLink_) return;
        std::unique_ptr<DisplayLink> link = makeLink_();
        if (!link) return;  // silently: the next animation start tries again
        link->setFrameHandler([this](std::optional<double> time) { handleFrame(time); });
        link_ = std::move(link);
    }
    if (!link_->isRunning()) link_->start();
}

void DisplayLinkDriver::stop() {
    if (link_ && link_->isRunning()) link_->stop();
}

void DisplayLinkDriver::handleFrame(std::optional<double> outputTime) {
    const double seconds = outputTime && *outputTime != 0 ? *outputTime : clock_.now();
    if (onFrame) onFrame(seconds);
}

}  // namespace brindlow
