#include "exporter/process_metrics.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "exporter/exposition.h"

namespace exporter {
namespace {

// The fields of /proc/self/stat after the command name, which may hold spaces and parentheses.
std::vector<std::string> StatFields() {
    std::ifstream file("/proc/self/stat");
    std::string line;
    std::getline(file, line);
    std::size_t close = line.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos) {
        return fields;
    }
    std::istringstream rest(line.substr(close + 1));
    std::string field;
    while (rest >> field) {
        fields.push_back(field);
    }
    return fields;
}

double BootTime() {
    std::ifstream file("/proc/stat");
    std::string key;
    double value = 0;
    while (file >> key) {
        if (key == "btime") {
            file >> value;
            return value;
        }
        file.ignore(1 << 16, '\n');
    }
    return -1;
}

int OpenFds() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    closedir(dir);
    return count - 1;  // less the directory being read
}

}  // namespace

std::string RenderProcessMetrics() {
    Exposition out;
    // Fields as numbered in proc(5), less the first two: state is [0], utime (14) is [11].
    std::vector<std::string> fields = StatFields();
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    if (fields.size() > 21 && ticks > 0) {
        out.Family("process_cpu_seconds_total", MetricType::Counter,
                   "Total user and system CPU time spent in seconds.");
        out.Sample({}, (std::stod(fields[11]) + std::stod(fields[12])) / ticks);
        out.Family("process_virtual_memory_bytes", MetricType::Gauge,
                   "Virtual memory size in bytes.");
        out.Sample({}, std::stod(fields[20]));
        out.Family("process_resident_memory_bytes", MetricType::Gauge,
                   "Resident memory size in bytes.");
        out.Sample({}, std::stod(fields[21]) * page);
        if (double boot = BootTime(); boot >= 0) {
            out.Family("process_start_time_seconds", MetricType::Gauge,
                       "Start time of the process since unix epoch in seconds.");
            out.Sample({}, boot + std::stod(fields[19]) / ticks);
        }
    }
    if (int fds = OpenFds(); fds >= 0) {
        out.Family("process_open_fds", MetricType::Gauge, "Number of open file descriptors.");
        out.Sample({}, fds);
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        out.Family("process_max_fds", MetricType::Gauge,
                   "Maximum number of open file descriptors.");
        out.Sample({}, static_cast<double>(limit.rlim_cur));
    }
    return out.Take();
}

}  // namespace exporter
