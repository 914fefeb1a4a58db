#include "apps/exporter/engine_reader.h"

#include "condition/engine.h"

namespace exporter {

std::unique_ptr<condition::Reader> MakeEngineReader() {
    condition::ReaderOptions options;
    // Probes come a thousand at a time when Prometheus scrapes a fleet; each reading keeps
    // one request outstanding at a time, so this many requests let that many printers be
    // read at once.
    options.maxInFlight = 2048;
    return condition::StartReader(options);
}

}  // namespace exporter
