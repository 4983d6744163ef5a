#pragma once

// The largest entries a regimen can have, in the case's own units. Anything larger is no
// regimen and only overflows the arithmetic; the forecast windows refuse it at the field.
namespace pk
{
constexpr double kMostDose = 1.0e7;  // a dose, or a rate per hour
constexpr double kMostLevel = 1.0e6; // a concentration
constexpr double kMostHours = 1.0e4; // an interval, an infusion or a post time
// The shortest dosing interval, h: a shorter one only multiplies the doses to simulate.
constexpr double kShortestInterval = 0.01;
// The shortest infusion, h (half a minute): a shorter one only makes the rate overflow.
constexpr double kShortestInfusion = 0.01;
} // namespace pk
