// The settings file as anyone may leave it: loaded, one key set and saved,
// loaded again. Every value must come back unchanged, the file must stay
// owner-only, an unreadable input must be kept aside byte for byte, and no
// temporary file may be left behind.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/clients/rect_string.h"
#include "platform/store/json_defaults_store.h"

namespace {

namespace fs = std::filesystem;
using corvane::platform::JsonDefaultsStore;

/// A private folder for the run, in memory where possible, removed at exit.
class Workspace {
public:
    Workspace() {
        std::error_code error;
        const fs::path parent =
            fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (parent / "corvane-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    Workspace(Workspace&&) = delete;
    Workspace& operator=(Workspace&&) = delete;

    [[nodiscard]] const fs::path& path() const { return path_; }

    void clear() const {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(path_)) fs::remove_all(entry.path(), ignored);
    }

private:
    fs::path path_;
};

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Workspace workspace;
    workspace.clear();
    const fs::path file = workspace.path() / "settings.json";
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary) << input;

    // The kind of value the program writes most: a panel frame.
    const std::string key = "previewFrame.0";
    const std::string value =
        corvane::stringFromRect(corvane::rectFromString(std::string_view(input).substr(0, 64)));

    JsonDefaultsStore first(file);
    first.set(key, value);

    struct stat info {};
    require(stat(file.c_str(), &info) == 0 && (info.st_mode & 0777U) == 0600U);
    const auto saved = nlohmann::ordered_json::parse(readBytes(file));  // the store's own output must parse
    require(saved.is_object() && saved.contains(key));

    const JsonDefaultsStore second(file);
    require(second.string(key) == value);
    for (const auto& [name, stored] : saved.items()) require(first.object(name) == second.object(name));

    std::vector<fs::path> others;
    const fs::path lock = workspace.path() / "settings.json.lock";  // the saves' lock, empty
    for (const auto& entry : fs::directory_iterator(workspace.path())) {
        if (entry.path() != file && entry.path() != lock) others.push_back(entry.path());
    }
    if (others.empty()) return 0;  // the input was readable
    // Unreadable: kept aside untouched, and only the new key was saved.
    require(others.size() == 1 && others[0].filename().string().starts_with("settings.json.unreadable-"));
    require(readBytes(others[0]) == input);
    require(saved.size() == 1);
    return 0;
}
