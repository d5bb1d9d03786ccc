// The one map from an outcome to the box the operator sees: its text, caption and icon.
#pragma once

#include "outcome/Outcome.h"

#include <string>

struct OutcomeBox {
    std::string text;
    const char* caption = "";
    unsigned type = 0; // MB_OK with the error or the information icon
};

// The box of `outcome`; an outcome of kind Done has none (empty text and caption).
OutcomeBox BoxOfOutcome(const Outcome& outcome);
