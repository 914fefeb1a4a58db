// The reader the program runs: the condition library's engine. Tests use readers of their own.
#pragma once

#include <memory>

#include "condition/reader.h"

namespace exporter {

std::unique_ptr<condition::Reader> MakeEngineReader();

}  // namespace exporter
