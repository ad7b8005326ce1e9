#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/defaults_store.h"

namespace corvane::platform {

/// The user's settings as one JSON object in a file of their own.
///
/// The file is read once, at construction; every set() rewrites it whole and
/// atomically, owner-only. Values of types the program does not use are kept
/// and written back as they were. A file that cannot be read is treated as
/// empty and, before the first write, renamed aside (never overwritten).
/// Failures to write are silent: the value lives on in memory.
class JsonDefaultsStore : public DefaultsStore {
public:
    explicit JsonDefaultsStore(std::filesystem::path file);
    ~JsonDefaultsStore() override;
    JsonDefaultsStore(const JsonDefaultsStore&) = delete;
    JsonDefaultsStore& operator=(const JsonDefaultsStore&) = delete;
    JsonDefaultsStore(JsonDefaultsStore&&) = delete;
    JsonDefaultsStore& operator=(JsonDefaultsStore&&) = delete;

    /// $XDG_CONFIG_HOME/corvane/settings.json; ~/.config/corvane/settings.json
    /// when that variable is unset, empty or not an absolute path.
    [[nodiscard]] static std::filesystem::path defaultPath();

    [[nodiscard]] std::optional<DefaultsValue> object(std::string_view key) const override;
    /// Stores `value` and saves. An OtherValue keeps what is stored under
    /// `key` if that is already of another type, else stores null.
    void set(std::string_view key, DefaultsValue value) override;

    [[nodiscard]] const std::filesystem::path& path() const { return file_; }

protected:
    /// Called with the complete, synced temporary file just before it replaces
    /// the settings file; returning false abandons the save (tests use this to
    /// interrupt one).
    virtual bool readyToReplace(const std::filesystem::path& temporaryFile);

private:
    struct Document;

    void save();
    bool moveUnreadableAside();
    bool writeAtomically(const std::string& text);

    std::filesystem::path file_;
    std::unique_ptr<Document> document_;
    bool unreadableInPlace_ = false;  ///< the file on disk still is the unreadable one
};

}  // namespace corvane::platform
