#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/defaults_store.h"
#include "platform/main_queue.h"

namespace corvane::platform {

/// The user's settings as one JSON object in a file of their own.
///
/// The file is read at construction; every value lives in memory. Each save
/// takes a lock beside the file, reads the file again and writes it whole
/// and atomically, owner-only, with the keys set here since the last save
/// over what it holds: another program's changes and hand edits to other
/// keys stay. A link there is written through (the new file goes beside the
/// link's target). Values of types the program does not use are kept and
/// written back as they were. A file that cannot be read for any reason
/// (missing permission, a folder, bad bytes, not an object, nested too
/// deep, larger than kMaxBytes) is treated as empty and, before the next
/// write, renamed aside (never overwritten). A failure to read or write
/// prints one line on stderr per cause; the values live on in memory and a
/// failed save is tried again at the next change and at the end.
class JsonDefaultsStore : public DefaultsStore {
public:
    /// How long the settings stay unchanged before a store with a queue writes them.
    static constexpr double kQuietSeconds = 0.25;
    /// Documents nested deeper than this are unreadable.
    static constexpr int kMaxDepth = 64;
    /// Files larger than this are unreadable.
    static constexpr std::uintmax_t kMaxBytes = std::uintmax_t{1024} * 1024;

    /// Writes the file on every set().
    explicit JsonDefaultsStore(std::filesystem::path file);
    /// Writes the file kQuietSeconds after the last set(), through `queue`,
    /// and at destruction. `queue` must outlive the store.
    JsonDefaultsStore(std::filesystem::path file, MainQueue& queue);
    /// Writes what is not written yet.
    ~JsonDefaultsStore() override;
    JsonDefaultsStore(const JsonDefaultsStore&) = delete;
    JsonDefaultsStore& operator=(const JsonDefaultsStore&) = delete;
    JsonDefaultsStore(JsonDefaultsStore&&) = delete;
    JsonDefaultsStore& operator=(JsonDefaultsStore&&) = delete;

    /// $XDG_CONFIG_HOME/corvane/settings.json; ~/.config/corvane/settings.json
    /// when that variable is unset, empty or not an absolute path; empty when
    /// no home folder is known either (a store there never saves).
    [[nodiscard]] static std::filesystem::path defaultPath();
    /// Why the store would find `file` unreadable; empty when it is readable or missing.
    [[nodiscard]] static std::string whyUnreadable(const std::filesystem::path& file);

    [[nodiscard]] std::optional<DefaultsValue> object(std::string_view key) const override;
    /// Stores `value` and saves (at once, or after the quiet period). An
    /// OtherValue keeps what is stored under `key` if that is already of
    /// another type, else stores null.
    void set(std::string_view key, DefaultsValue value) override;
    /// Writes now if anything changed since the last write.
    void flush();

    [[nodiscard]] const std::filesystem::path& path() const { return file_; }

protected:
    /// Called with the complete, synced temporary file just before it replaces
    /// the settings file; returning false abandons the save (tests use this to
    /// interrupt one).
    virtual bool readyToReplace(const std::filesystem::path& temporaryFile);

private:
    struct Document;

    void save();
    /// Empty on success, else why the save failed.
    std::string trySave();
    /// Takes in what the file at `target` holds now, but for the keys changed here.
    std::string mergeWithFile(const std::filesystem::path& target);
    static std::string moveUnreadableAside(const std::filesystem::path& target);
    std::string writeAtomically(const std::filesystem::path& target, const std::string& text);
    static void removeStaleTemporaries(const std::filesystem::path& target);
    /// Prints `line` unless it is the last one printed.
    void report(const std::string& line);

    std::filesystem::path file_;
    std::unique_ptr<Document> document_;
    MainQueue* queue_ = nullptr;         ///< none: write at once
    std::unique_ptr<Timer> quietTimer_;  ///< set while a write waits for quiet
    bool dirty_ = false;                 ///< memory holds changes the file does not
    bool temporariesChecked_ = false;    ///< stale temporaries of earlier runs are gone
    std::string lastReport_;             ///< the failure last printed, until a save succeeds
};

}  // namespace corvane::platform
