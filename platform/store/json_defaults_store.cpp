#include "platform/store/json_defaults_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <type_traits>
#include <utility>
#include <vector>

namespace corvane::platform {

namespace fs = std::filesystem;

namespace {

// Ordered, so a hand-edited file keeps its order when written back.
using Json = nlohmann::ordered_json;

// --- Reading ---------------------------------------------------------------

struct Loaded {
    Json document = Json::object();
    bool unreadable = false;
};

bool fileExists(const fs::path& file) {
    std::error_code error;
    // When existence cannot even be checked, assume there is something to keep.
    return fs::symlink_status(file, error).type() != fs::file_type::not_found;
}

Loaded load(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {Json::object(), fileExists(file)};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return {Json::object(), true};
    Json parsed = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded() || !parsed.is_object()) return {Json::object(), true};
    return {std::move(parsed), false};
}

bool isStringArray(const Json& value) {
    return value.is_array() &&
           std::all_of(value.begin(), value.end(), [](const Json& element) { return element.is_string(); });
}

DefaultsValue fromJson(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number()) return value.get<double>();
    if (isStringArray(value)) return value.get<StringList>();
    return OtherValue{};
}

bool holdsOtherValue(const Json& value) {
    return std::holds_alternative<OtherValue>(fromJson(value));
}

void assign(Json& slot, DefaultsValue value) {
    std::visit(
        [&slot](auto&& typed) {
            using T = std::decay_t<decltype(typed)>;
            if constexpr (std::is_same_v<T, OtherValue>) {
                if (!holdsOtherValue(slot)) slot = nullptr;
            } else {
                slot = std::forward<decltype(typed)>(typed);
            }
        },
        std::move(value));
}

// --- Paths -----------------------------------------------------------------

fs::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    // Started without a HOME (from some service managers): ask the user database.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_dir;
    }
    return {};
}

fs::path configDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr) {
        fs::path configured(xdg);
        if (configured.is_absolute()) return configured;  // relative ones are invalid: ignore
    }
    return homeDirectory() / ".config";
}

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return {text.data(), length};
}

/// Creates `directory` and any missing parents, owner-only.
bool createDirectories(const fs::path& directory) {
    std::error_code error;
    if (directory.empty() || fs::is_directory(directory, error)) return true;
    const fs::path parent = directory.parent_path();
    if (parent != directory && !createDirectories(parent)) return false;
    return mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

// --- Writing ---------------------------------------------------------------

/// A temporary file next to the target, removed again unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target) : path_(target.string() + ".tmp-XXXXXX") {
        // mkstemp creates the file owner-only (0600) and never opens an existing one.
        fd_ = mkstemp(path_.data());
        created_ = fd_ >= 0;
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (created_ && !committed_) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    TemporaryFile(TemporaryFile&&) = delete;
    TemporaryFile& operator=(TemporaryFile&&) = delete;

    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    [[nodiscard]] fs::path path() const { return path_; }

    /// Writes all of `text`, then pushes it to the disk and closes the file.
    bool writeAndClose(const std::string& text) {
        if (!writeAll(text) || fsync(fd_) != 0) return false;
        const int fd = std::exchange(fd_, -1);
        return close(fd) == 0;
    }

    /// Renames the file over `target`; afterwards there is nothing to remove.
    bool replace(const fs::path& target) {
        committed_ = std::rename(path_.c_str(), target.c_str()) == 0;
        return committed_;
    }

private:
    [[nodiscard]] bool writeAll(const std::string& text) const {
        std::size_t written = 0;
        while (written < text.size()) {
            const ssize_t n = write(fd_, text.data() + written, text.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            written += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::string path_;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
};

/// Makes a completed rename durable too (best effort).
void syncDirectory(const fs::path& directory) {
    const int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

struct JsonDefaultsStore::Document {
    Json json = Json::object();
};

JsonDefaultsStore::JsonDefaultsStore(fs::path file)
    : file_(std::move(file)), document_(std::make_unique<Document>()) {
    Loaded loaded = load(file_);
    document_->json = std::move(loaded.document);
    unreadableInPlace_ = loaded.unreadable;
}

JsonDefaultsStore::~JsonDefaultsStore() = default;

fs::path JsonDefaultsStore::defaultPath() {
    return configDirectory() / "corvane" / "settings.json";
}

std::optional<DefaultsValue> JsonDefaultsStore::object(std::string_view key) const {
    const auto it = document_->json.find(std::string(key));
    if (it == document_->json.end()) return std::nullopt;
    return fromJson(*it);
}

void JsonDefaultsStore::set(std::string_view key, DefaultsValue value) {
    assign(document_->json[std::string(key)], std::move(value));
    save();
}

bool JsonDefaultsStore::readyToReplace(const fs::path& /*temporaryFile*/) {
    return true;
}

void JsonDefaultsStore::save() {
    if (unreadableInPlace_ && !moveUnreadableAside()) return;  // never overwrite it
    unreadableInPlace_ = false;
    if (!createDirectories(file_.parent_path())) return;
    // Invalid UTF-8 in a string must not cost the whole save.
    const std::string text = document_->json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    writeAtomically(text);
}

bool JsonDefaultsStore::moveUnreadableAside() {
    const std::string base = file_.string() + ".unreadable-" + timestamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string aside = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (fileExists(aside)) continue;
        if (std::rename(file_.c_str(), aside.c_str()) == 0) return true;
        return errno == ENOENT;  // gone meanwhile: nothing left to keep
    }
    return false;
}

bool JsonDefaultsStore::writeAtomically(const std::string& text) {
    TemporaryFile temporary(file_);
    if (!temporary.isOpen() || !temporary.writeAndClose(text)) return false;
    if (!readyToReplace(temporary.path()) || !temporary.replace(file_)) return false;
    syncDirectory(file_.parent_path());
    return true;
}

}  // namespace corvane::platform
