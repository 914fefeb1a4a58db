// The standard process_* metrics of Prometheus's client libraries, read from /proc/self: CPU
// seconds, resident and virtual memory, start time, open and maximum file descriptors. A
// value that cannot be read is left out.
#pragma once

#include <string>

namespace exporter {

std::string RenderProcessMetrics();

}  // namespace exporter
