#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvane::platform {

/// A stored value of a type the program does not use (kept, never read).
struct OtherValue {
    friend bool operator==(const OtherValue&, const OtherValue&) = default;
};

using StringList = std::vector<std::string>;
using DefaultsValue = std::variant<std::string, bool, double, StringList, OtherValue>;

/// The user's settings: typed values by key.
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;
    /// The value under `key`, or nullopt when there is none.
    [[nodiscard]] virtual std::optional<DefaultsValue> object(std::string_view key) const = 0;
    /// Stores `value` under `key`, replacing what was there.
    virtual void set(std::string_view key, DefaultsValue value) = 0;

    [[nodiscard]] std::optional<std::string> string(std::string_view key) const {
        return as<std::string>(key);
    }
    [[nodiscard]] std::optional<bool> boolean(std::string_view key) const { return as<bool>(key); }
    [[nodiscard]] std::optional<double> number(std::string_view key) const { return as<double>(key); }
    [[nodiscard]] std::optional<StringList> stringList(std::string_view key) const {
        return as<StringList>(key);
    }

private:
    template <typename T>
    [[nodiscard]] std::optional<T> as(std::string_view key) const {
        auto value = object(key);
        if (!value) return std::nullopt;
        if (auto* typed = std::get_if<T>(&*value)) return std::move(*typed);
        return std::nullopt;
    }
};

}  // namespace corvane::platform
