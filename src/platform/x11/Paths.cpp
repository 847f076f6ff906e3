#include "platform/x11/Paths.h"

#include <cstdlib>
#include <filesystem>

namespace platform::x11 {

namespace fs = std::filesystem;

std::string DataFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = program.parent_path().parent_path() / "share" / "vistrel";
        if (fs::is_directory(installed / "Skins", error)) return installed.string();
    }
#ifdef VISTREL_STAGE_DIR
    return VISTREL_STAGE_DIR;
#else
    return std::string();
#endif
}

std::string SettingsFile() {
    fs::path folder;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config && config[0] == '/') folder = config;
    else if (home && home[0] == '/') folder = fs::path(home) / ".config";
    else return std::string();
    folder /= "vistrel";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return std::string();
    return (folder / "settings.reg").string();
}

}  // namespace platform::x11
