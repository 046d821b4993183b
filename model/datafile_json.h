#pragma once
// Version 2 of the data file (JSON), for model/datafile.cpp; the format is described in
// model/datafile.h and the manual page impactframe-format(5).
#include <string>

#include "model/datafile.h"

namespace fem::detail {

// Reads version 2 text into `out`, a fresh model. Returns false with the reason in
// `error` (whose path is `name`) when the text is not a usable version 2 file.
bool ReadJsonModel(const std::string& text, const std::string& name, Model& out,
                   DataFileError& error);

// True when the model needs version 2: named materials, sections or load histories, an
// element that refers to one, a section other than round, a roll, a z_towards or a
// Timoshenko member, a node that names a history, a ground motion or the model's damping.
bool NeedsJson(const Model& model);

// The version 2 text of a model whose values are all finite.
std::string JsonText(const Model& model);

}  // namespace fem::detail
