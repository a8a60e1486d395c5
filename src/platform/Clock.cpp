#include "platform/Clock.h"

#include <chrono>

namespace brindlow {

double MonotonicClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

MonotonicClock& MonotonicClock::shared() {
    static MonotonicClock clock;
    return clock;
}

}  // namespace brindlow
