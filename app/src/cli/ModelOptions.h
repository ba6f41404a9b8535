#pragma once
// The camera options of a 3-D model source (make --model), their usage text,
// and reading the model through the importer with the messages the command
// line gives.

#include "models/Camera.h"
#include "models/Mesh.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace app {

// The camera options' usage lines (make and depth), and make's turntable lines.
extern const char* const kModelUsage;
extern const char* const kTurntableUsage;

// True for --up, --yaw, --pitch, --roll, --perspective, --zoom and --model-depth.
bool isModelOption(const std::string& option);
// Takes one of them with its value; the refusal's text, or empty.
std::string applyModelOption(models::Camera& camera, const std::string& option, const std::string& value);

// Reads a model; on a refusal says why on err ("dotscape: FILE: The model
// could not be read: …") and gives nothing.
std::optional<models::Mesh> readModel(const std::string& file, std::ostream& err);

} // namespace app
