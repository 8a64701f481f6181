#pragma once
// The monitor's display: the twelve polled values turned into the texts and lamps of the two
// channel groups, refreshed once per poll cycle.
#include <optional>
#include <string>

#include "monitor/poll_state.h"
#include "platform/controls.h"

namespace monitor {

// A number as the display writes it: general decimal form with at most 15 significant
// digits, the comma as decimal separator whatever the machine's locale, no grouping, no
// trailing zeros; exponent form ("1,5E-7", "1E20") for more than 15 digits before the comma
// or a magnitude below 0.00001.
std::string NumberText(double value);

// A channel's counter, high × 100000 + low, scaled by its point code (1: ÷1000 ... 5: ×10);
// nullopt for any other code, which leaves the counter box as it is.
std::optional<double> ScaledCounter(double high, double low, int pointCode);

// The controls the display refresh writes.
struct DisplayControls {
  platform::Label& Label1;   // channel 1 current flow
  platform::Label& Label2;   // channel 1 counter
  platform::Label& Label5;   // channel 1 operating time
  platform::Label& Label12;  // channel 1 lamp text
  platform::Shape& Shape1;   // channel 1 lamp
  platform::Label& Label6;   // channel 2 current flow
  platform::Label& Label7;   // channel 2 counter
  platform::Label& Label8;   // channel 2 operating time
  platform::Label& Label13;  // channel 2 lamp text
  platform::Shape& Shape2;   // channel 2 lamp
};

// Shows the values of one poll cycle; runs after value 0 is stored.
void RefreshDisplay(const PollState& poll, const DisplayControls& display);

}  // namespace monitor
