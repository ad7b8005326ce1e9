#pragma once

#include <optional>
#include <string>
#include <vector>

#include "corvane/clients/wow_client.h"

namespace corvane {

/// Which launch of a game held which slot, so that a game started again the
/// same way (after a crash, or to log in again) comes back to its slot, with
/// its name, colour and jump key. A launch is told by its identity
/// (Workspace::launchIdentity); remembered launches keep their order, and new
/// ones come after them.
class SlotMemory {
public:
    /// How many launches are kept: past that, the oldest of those not running
    /// now is forgotten.
    static constexpr std::size_t kCapacity = 64;

    explicit SlotMemory(std::vector<std::string> identities = {}) : identities_(std::move(identities)) {}

    /// Orders `clients` (in launch order, `identities[i]` the identity of
    /// clients[i]) by the slot each one's launch last held; launches not
    /// remembered, or sharing one identity, keep their launch order after
    /// and among them. Both lists are reordered alike.
    void order(std::vector<WowClient>& clients, std::vector<std::optional<std::string>>& identities) const;
    /// Remembers each launch of `running` not remembered yet, after the others;
    /// true when the memory changed.
    bool remember(const std::vector<std::optional<std::string>>& running);

    [[nodiscard]] const std::vector<std::string>& identities() const { return identities_; }

private:
    [[nodiscard]] std::size_t rank(const std::optional<std::string>& identity) const;
    void makeRoom(const std::vector<std::optional<std::string>>& running);

    std::vector<std::string> identities_;
};

}  // namespace corvane
