#pragma once
// The four built-in sample structures.
#include "model/model.h"

namespace fem {

struct SampleSettings {
    double Te = 0.0;             // time span that suits the sample, s
    double Magnification = 0.0;  // display magnification of the static deformation
};

// Replaces model by sample number (1 .. 4) and returns its settings. Raises
// numeric::ComputationFailure for another number.
SampleSettings BuildSample(Model& model, int number);

}  // namespace fem
