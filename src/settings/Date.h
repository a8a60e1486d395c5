#pragma once

#include <chrono>

namespace brindlow {

// A moment as seconds since 2001-01-01 00:00:00 UTC, the form dates take in
// every stored file.
struct Date {
    static constexpr double kReferenceUnixSeconds = 978307200.0;

    double sinceReference = 0;

    static Date now() {
        using namespace std::chrono;
        const double unix = duration<double>(system_clock::now().time_since_epoch()).count();
        return {unix - kReferenceUnixSeconds};
    }
    double unixSeconds() const { return sinceReference + kReferenceUnixSeconds; }

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;
};

}  // namespace brindlow
