#include "options/exporter_settings.h"

namespace exporter {

bool LoadSettings(const Options& options, Settings& settings, std::string& error) {
    Settings loaded;
    if (!options.configPath.empty() && !LoadConfig(options.configPath, loaded.config, error)) {
        return false;
    }
    const Config& file = loaded.config;
    loaded.allow = options.allowGiven ? options.allow : file.allowTargets.value_or(options.allow);
    loaded.maxProbes =
        options.maxProbesGiven ? options.maxProbes : file.maxProbes.value_or(options.maxProbes);
    settings = std::move(loaded);
    return true;
}

std::string ListenAddress(const Options& options, const Config& config) {
    return options.listenGiven ? options.listen : config.listen.value_or(options.listen);
}

std::string WebConfigPath(const Options& options, const Config& config) {
    return !options.webConfigPath.empty() ? options.webConfigPath
                                          : config.webConfig.value_or(std::string());
}

}  // namespace exporter
