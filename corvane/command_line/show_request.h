#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::app {

/// What a later start sends the running program over its socket, and the answer.
inline constexpr std::string_view kShowRequest = "show\n";
inline constexpr std::string_view kShownAnswer = "shown\n";

/// Reads one connection's request as its bytes arrive. It never holds more
/// than the request's few bytes: anything else is refused at its first byte
/// that differs.
class ShowRequestReader {
public:
    enum class State {
        waiting,  ///< a beginning of the request so far
        show,     ///< the whole request
        refused,  ///< something else
    };

    /// Takes the next bytes; those after a decision are not looked at.
    State add(std::string_view bytes);
    [[nodiscard]] State state() const { return state_; }
    /// The most bytes worth reading next.
    [[nodiscard]] std::size_t wanted() const { return kShowRequest.size() - received_; }

private:
    std::size_t received_ = 0;
    State state_ = State::waiting;
};

}  // namespace corvane::app
