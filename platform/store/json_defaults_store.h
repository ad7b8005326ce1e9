#pragma once

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
/// The file is read once, at construction; every value lives in memory and
/// the file is rewritten whole and atomically, owner-only. Values of types
/// the program does not use are kept and written back as they were. A file
/// that cannot be read for any reason (missing permission, a folder, bad
/// bytes, not an object, nested too deep) is treated as empty and, before
/// the first write, renamed aside (never overwritten). A failure to read or
/// write prints one line on stderr per cause; the values live on in memory.
class JsonDefaultsStore : public DefaultsStore {
public:
    /// How long the settings stay unchanged before a store with a queue writes them.
    static constexpr double kQuietSeconds = 0.25;
    /// Documents nested deeper than this are unreadable.
    static constexpr int kMaxDepth = 64;

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
    /// when that variable is unset, empty or not an absolute path.
    [[nodiscard]] static std::filesystem::path defaultPath();

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
    std::string moveUnreadableAside();
    std::string writeAtomically(const std::string& text);
    void removeStaleTemporaries() const;
    /// Prints `line` unless it is the last one printed.
    void report(const std::string& line);

    std::filesystem::path file_;
    std::unique_ptr<Document> document_;
    MainQueue* queue_ = nullptr;         ///< none: write at once
    std::unique_ptr<Timer> quietTimer_;  ///< set while a write waits for quiet
    bool dirty_ = false;                 ///< memory holds changes the file does not
    bool unreadableInPlace_ = false;     ///< the file on disk still is the unreadable one
    bool temporariesChecked_ = false;    ///< stale temporaries of earlier runs are gone
    std::string lastReport_;             ///< the failure last printed, until a save succeeds
};

}  // namespace corvane::platform
