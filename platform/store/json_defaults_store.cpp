#include "platform/store/json_defaults_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/xdg_paths.h"

namespace corvane::platform {

namespace fs = std::filesystem;

namespace {

// Ordered, so a hand-edited file keeps its order when written back.
using Json = nlohmann::ordered_json;

// --- Reading ---------------------------------------------------------------

struct Loaded {
    Json document = Json::object();
    std::string problem;  ///< why the file is unreadable; empty when it is fine or missing
};

bool fileExists(const fs::path& file) {
    std::error_code error;
    // When existence cannot even be checked, assume there is something to keep.
    return fs::symlink_status(file, error).type() != fs::file_type::not_found;
}

std::string errorText(int error) {
    return std::generic_category().message(error);
}

/// Closes a file descriptor on every path.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&&) = delete;
    FileDescriptor& operator=(FileDescriptor&&) = delete;

    [[nodiscard]] int get() const { return fd_; }

private:
    int fd_;
};

/// Reads the file's bytes into `text`; returns why they cannot be had. A
/// missing file (or a path through something that is not a folder) sets `missing`.
std::string readAll(const fs::path& file, std::string& text, bool& missing) {
    // Non-blocking, so that a FIFO in its place cannot hang the start.
    const FileDescriptor fd(open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        missing = errno == ENOENT || errno == ENOTDIR;
        return missing ? std::string() : errorText(errno);
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0) return errorText(errno);
    if (S_ISDIR(info.st_mode)) return errorText(EISDIR);
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    std::string tooLarge = "larger than " + std::to_string(JsonDefaultsStore::kMaxBytes) + " bytes";
    if (static_cast<std::uintmax_t>(info.st_size) > JsonDefaultsStore::kMaxBytes) return tooLarge;
    // Read straight into the text; the size is only a hint (the file may change meanwhile).
    std::size_t length = 0;
    text.resize(static_cast<std::size_t>(info.st_size) + 1);
    for (;;) {
        if (length > JsonDefaultsStore::kMaxBytes) return tooLarge;
        if (length == text.size()) text.resize(text.size() * 2);
        const ssize_t n = read(fd.get(), text.data() + length, text.size() - length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errorText(errno);
        if (n == 0) break;
        length += static_cast<std::size_t>(n);
    }
    text.resize(length);
    return {};
}

/// Whether arrays and objects nest deeper than kMaxDepth, counted the way the
/// parser will see them, without recursion, so that no document can exhaust
/// the stack here or in the parser.
bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > JsonDefaultsStore::kMaxDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

Loaded load(const fs::path& file) {
    std::string text;
    bool missing = false;
    if (std::string problem = readAll(file, text, missing); !problem.empty())
        return {Json::object(), problem};
    if (missing) return {};  // no file yet: defaults, quietly
    if (nestsTooDeep(text)) {
        return {Json::object(),
                "nested deeper than " + std::to_string(JsonDefaultsStore::kMaxDepth) + " levels"};
    }
    Json parsed = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) return {Json::object(), "not valid JSON"};
    if (!parsed.is_object()) return {Json::object(), "not a JSON object"};
    return {std::move(parsed), {}};
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

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return {text.data(), length};
}

/// Where the settings really are: the end of the links at `file` (dotfile
/// managers keep it a link), so that a save replaces that file and the link
/// stays. Only a regular file or none is written through; anything else at
/// the end is unreadable, and `file` itself is replaced.
fs::path resolvedTarget(const fs::path& file) {
    constexpr int kMaxLinks = 40;  // as the system follows them
    fs::path target = file;
    std::error_code error;
    for (int link = 0; link < kMaxLinks && fs::is_symlink(fs::symlink_status(target, error)); ++link) {
        const fs::path next = fs::read_symlink(target, error);
        if (error) return file;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    const auto type = fs::symlink_status(target, error).type();
    return type == fs::file_type::regular || type == fs::file_type::not_found ? target : file;
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

/// The temporary files the store writes next to `target` are named
/// "<name>.tmp-" followed by the six letters or digits mkstemp picks.
constexpr std::string_view kTemporaryInfix = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 6;

bool isOwnTemporaryName(const std::string& name, const std::string& target) {
    const std::string prefix = target + std::string(kTemporaryInfix);
    if (name.size() != prefix.size() + kTemporarySuffixLength || !name.starts_with(prefix)) return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

/// A temporary file next to the target, removed again unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target)
        : path_(target.string() + std::string(kTemporaryInfix) + std::string(kTemporarySuffixLength, 'X')) {
        // mkstemp creates the file owner-only (0600) and never opens an existing one.
        fd_ = mkstemp(path_.data());
        if (fd_ < 0) error_ = errno;
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

    /// The errno of the first failure; 0 while all went well.
    [[nodiscard]] int error() const { return error_; }
    [[nodiscard]] fs::path path() const { return path_; }

    /// Writes all of `text`, then pushes it to the disk and closes the file.
    bool writeAndClose(const std::string& text) {
        if (error_ != 0) return false;
        if (!writeAll(text) || fsync(fd_) != 0) return fail();
        if (close(std::exchange(fd_, -1)) != 0) return fail();
        return true;
    }

    /// Renames the file over `target`; afterwards there is nothing to remove.
    bool replace(const fs::path& target) {
        committed_ = std::rename(path_.c_str(), target.c_str()) == 0;
        return committed_ || fail();
    }

private:
    bool fail() {
        error_ = errno != 0 ? errno : EIO;
        return false;
    }

    [[nodiscard]] bool writeAll(const std::string& text) const {
        std::size_t written = 0;
        while (written < text.size()) {
            const ssize_t n = write(fd_, text.data() + written, text.size() - written);
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) errno = ENOSPC;
            if (n <= 0) return false;
            written += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    bool created_ = false;
    bool committed_ = false;
};

/// The lock every program that saves this file takes for its read, merge and
/// write (an flock on a file beside it), so that two never write at once.
class SettingsLock {
public:
    static constexpr auto kPatience = std::chrono::seconds(2);

    explicit SettingsLock(const fs::path& file)
        : path_(file.string() + ".lock"),
          fd_(open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
        if (fd_.get() < 0) {
            problem_ = errorText(errno);  // as the write itself would fail there
            return;
        }
        // A holder that hangs must not hang this program's loop too.
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                problem_ = path_ + ": " + errorText(errno);
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                problem_ = "another program holds " + path_;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    /// Why the lock is not held; empty when it is (until destruction).
    [[nodiscard]] const std::string& problem() const { return problem_; }

private:
    std::string path_;
    FileDescriptor fd_;
    std::string problem_;
};

/// Makes a completed rename durable too (best effort).
void syncDirectory(const fs::path& directory) {
    const FileDescriptor fd(
        open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) fsync(fd.get());
}

constexpr std::string_view kReportPrefix = "corvane: ";

}  // namespace

namespace {

/// Which version of a file is there: another one has another inode, size or time.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;  ///< nanoseconds
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

std::optional<FileStamp> stampOf(const fs::path& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) return std::nullopt;
    constexpr std::int64_t kNanoseconds = 1000000000;
    return FileStamp{info.st_dev, info.st_ino, info.st_size,
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNanoseconds + info.st_mtim.tv_nsec};
}

}  // namespace

struct JsonDefaultsStore::Document {
    Json json = Json::object();
    std::set<std::string> changed;   ///< keys set since the last write
    std::optional<FileStamp> known;  ///< the file as last read or written: nothing new to take in
};

JsonDefaultsStore::JsonDefaultsStore(fs::path file)
    : file_(std::move(file)), document_(std::make_unique<Document>()) {
    const auto stamp = stampOf(file_);
    Loaded loaded = load(file_);
    document_->json = std::move(loaded.document);
    if (loaded.problem.empty()) document_->known = stamp;
    if (!loaded.problem.empty()) {
        report("cannot read settings from " + file_.string() + ": " + loaded.problem +
               "; using the defaults, the file is kept aside at the first save");
    }
}

JsonDefaultsStore::JsonDefaultsStore(fs::path file, MainQueue& queue) : JsonDefaultsStore(std::move(file)) {
    queue_ = &queue;
}

JsonDefaultsStore::~JsonDefaultsStore() {
    // The last save: a failure says so and never ends the program from a destructor.
    try {
        flush();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane: cannot save settings to %s: %s\n", file_.c_str(), error.what());
    }
}

fs::path JsonDefaultsStore::defaultPath() {
    const fs::path config = configDirectory();
    return config.empty() ? fs::path() : config / "corvane" / "settings.json";
}

std::string JsonDefaultsStore::whyUnreadable(const fs::path& file) {
    return load(file).problem;
}

std::optional<DefaultsValue> JsonDefaultsStore::object(std::string_view key) const {
    const auto it = document_->json.find(std::string(key));
    if (it == document_->json.end()) return std::nullopt;
    return fromJson(*it);
}

void JsonDefaultsStore::set(std::string_view key, DefaultsValue value) {
    assign(document_->json[std::string(key)], std::move(value));
    document_->changed.emplace(key);
    dirty_ = true;
    if (queue_ == nullptr) {
        flush();
        return;
    }
    // A new timer for every change: the write waits for the last one.
    quietTimer_ = queue_->scheduleOnce(kQuietSeconds, [this] { flush(); });
}

void JsonDefaultsStore::flush() {
    quietTimer_.reset();
    // Dirty until a write succeeds: a failed one is tried again at the next change and at the end.
    if (dirty_) save();
}

bool JsonDefaultsStore::readyToReplace(const fs::path& /*temporaryFile*/) {
    return true;
}

void JsonDefaultsStore::save() {
    const std::string problem = trySave();
    if (problem.empty()) {
        dirty_ = false;
        lastReport_.clear();
    } else {
        report(problem);
    }
}

std::string JsonDefaultsStore::trySave() {
    if (file_.is_relative()) {
        return "cannot save settings: no home folder is known (HOME is not set and the user database has "
               "none)";
    }
    if (!createDirectories(file_.parent_path())) {
        return "cannot save settings to " + file_.string() + ": " + errorText(errno);
    }
    const SettingsLock lock(file_);
    if (!lock.problem().empty()) return "cannot save settings to " + file_.string() + ": " + lock.problem();
    const fs::path target = resolvedTarget(file_);
    if (target != file_ && !createDirectories(target.parent_path())) {
        return "cannot save settings to " + target.string() + ": " + errorText(errno);
    }
    if (std::string problem = mergeWithFile(target); !problem.empty()) return problem;
    if (!temporariesChecked_) {
        removeStaleTemporaries(target);
        temporariesChecked_ = true;
    }
    // Invalid UTF-8 in a string must not cost the whole save.
    const std::string text = document_->json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    if (std::string problem = writeAtomically(target, text); !problem.empty()) return problem;
    document_->changed.clear();
    document_->known = stampOf(target);
    return {};
}

std::string JsonDefaultsStore::mergeWithFile(const fs::path& target) {
    const auto stamp = stampOf(target);
    if (stamp && stamp == document_->known) return {};
    // What another program or a hand edit wrote meanwhile stays, but for the keys changed here.
    Loaded onDisk = load(target);
    if (!onDisk.problem.empty())
        return moveUnreadableAside(target);  // never overwrite a file the user may want back
    for (const auto& key : document_->changed) onDisk.document[key] = document_->json[key];
    document_->json = std::move(onDisk.document);
    document_->known = stamp;
    return {};
}

std::string JsonDefaultsStore::moveUnreadableAside(const fs::path& target) {
    const std::string base = target.string() + ".unreadable-" + timestamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string aside = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (fileExists(aside)) continue;
        if (std::rename(target.c_str(), aside.c_str()) == 0 || errno == ENOENT)
            return {};  // ENOENT: gone meanwhile
        return "cannot keep the unreadable settings file " + target.string() + " aside: " + errorText(errno);
    }
    return "cannot keep the unreadable settings file " + target.string() + " aside: too many kept already";
}

std::string JsonDefaultsStore::writeAtomically(const fs::path& target, const std::string& text) {
    TemporaryFile temporary(target);
    if (temporary.writeAndClose(text)) {
        if (!readyToReplace(temporary.path())) return {};  // abandoned on purpose, as by a crash
        if (temporary.replace(target)) {
            syncDirectory(target.parent_path());
            return {};
        }
    }
    return "cannot save settings to " + target.string() + ": " + errorText(temporary.error());
}

void JsonDefaultsStore::removeStaleTemporaries(const fs::path& target) {
    // Left behind by a run killed while writing; only our own exact pattern.
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string name = target.filename().string();
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (isOwnTemporaryName(it->path().filename().string(), name) &&
            it->symlink_status(ignored).type() == fs::file_type::regular) {
            fs::remove(it->path(), ignored);
        }
    }
}

void JsonDefaultsStore::report(const std::string& line) {
    if (line == lastReport_) return;
    lastReport_ = line;
    std::fprintf(stderr, "%s%s\n", kReportPrefix.data(), line.c_str());
}

}  // namespace corvane::platform
