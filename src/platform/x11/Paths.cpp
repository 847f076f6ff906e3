#include "platform/x11/Paths.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

namespace platform::x11 {

namespace fs = std::filesystem;

namespace {

// <prefix>/share/vistrel beside the installed program; empty when the program runs from the build.
fs::path InstalledDataFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) return fs::path();
    const fs::path installed = program.parent_path().parent_path() / "share" / "vistrel";
    return fs::is_directory(installed / "Skins", error) ? installed : fs::path();
}

// Installed: the data folder's translations/; from the build: the sources' translations/.
fs::path TranslationsRoot() {
    const fs::path installed = InstalledDataFolder();
    if (!installed.empty()) return installed / "translations";
#ifdef VISTREL_TRANSLATIONS_DIR
    return VISTREL_TRANSLATIONS_DIR;
#else
    return fs::path();
#endif
}

// The translations there are, by language code.
struct Translation {
    const char* language;
    const char* folder;
};
constexpr Translation Translations[] = {{"de", "German"}};

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] ? value : nullptr;
}

// The user's languages, most wanted first, as the C library's message catalogues choose them: the
// locale for messages (LC_ALL, else LC_MESSAGES, else LANG); LANGUAGE's list before it unless that
// locale is C.
std::vector<std::string> WantedLanguages() {
    const char* locale = Variable("LC_ALL");
    if (!locale) locale = Variable("LC_MESSAGES");
    if (!locale) locale = Variable("LANG");
    if (!locale || !std::strcmp(locale, "C") || !std::strcmp(locale, "POSIX") || !std::strncmp(locale, "C.", 2))
        return {};
    std::vector<std::string> wanted;
    if (const char* list = Variable("LANGUAGE")) {
        std::stringstream entries(list);
        for (std::string entry; std::getline(entries, entry, ':');)
            if (!entry.empty()) wanted.push_back(entry);
    }
    wanted.push_back(locale);
    return wanted;
}

}  // namespace

std::string DataFolder() {
    const fs::path installed = InstalledDataFolder();
    if (!installed.empty()) return installed.string();
#ifdef VISTREL_STAGE_DIR
    return VISTREL_STAGE_DIR;
#else
    return std::string();
#endif
}

std::string TranslationFolder() {
    const fs::path root = TranslationsRoot();
    if (root.empty()) return std::string();
    for (const std::string& wanted : WantedLanguages()) {
        const std::string language = wanted.substr(0, wanted.find_first_of("_.@"));
        if (language == "en") return std::string();  // English is the program's own
        for (const Translation& t : Translations) {
            std::error_code error;
            const fs::path folder = root / t.folder;
            if (language == t.language && fs::is_regular_file(folder / "Localize.dll", error)) return folder.string();
        }
    }
    return std::string();
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
