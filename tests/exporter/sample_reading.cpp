// Writes what /probe answers for the sample printer (argument "probe", or nothing) or what
// /metrics answers ("self"), for `promtool check metrics`.
#include <cstring>
#include <iostream>

#include "exporter/reading_metrics.h"
#include "exporter/self_metrics.h"
#include "tests/exporter/sample_condition.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "self") == 0) {
        exporter::SelfMetrics metrics;
        metrics.TryAdmit(10);
        metrics.Finish(exporter::ReadingResult::Success, 0.3);
        std::cout << metrics.Render(condition::ReaderStats{120, 3, 1, 0});
        return 0;
    }
    std::cout << exporter::RenderReading(exporter::testing::SampleCondition(), 0.0421);
    return 0;
}
