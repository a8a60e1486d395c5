#pragma once

#include <optional>
#include <utility>

#include "settings/GestureUnit.h"
#include "strip/Strip.h"

// The pure rules of dragging a strip under the fingers and letting it settle on a column.
namespace brindlow::Swipe {

// A gesture amount or velocity in points: a `trackpadWidth` share of the viewport width, or as is.
double inPoints(double amount, GestureUnit unit, double width);

// The offset the strip is dragged to: the start minus the amount (in points) times the
// sensitivity, following at a third of the fingers' speed past either end.
double draggedOffset(double startOffset, double amountInPoints, double sensitivity,
                     double maxOffset);

// The smoothed drag velocity after a new sample at `time`; the previous velocity when the sample
// comes 2 ms or less after the last one or there is none.
double smoothedVelocity(double velocity, std::optional<std::pair<double, double>> lastSample,
                        double time, double offset);

// Where a released swipe settles.
struct Settle {
    double target = 0;                // the new scroll offset
    std::optional<int> focusedIndex;  // none: focus stays
    double velocity = 0;              // the animation's starting velocity, points per second
};

// The snap offset nearest to where the strip would coast in 0.2 s at `velocityInPoints` (already
// scaled by the sensitivity), and the column whose centre is nearest the viewport's centre there.
// Ties go to the earlier snap and the column further left.
Settle settle(const Strip& strip, double displayedOffset, double velocityInPoints, double width,
              double gap, double outerGap);

}  // namespace brindlow::Swipe
