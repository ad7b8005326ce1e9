#include "corvane/clients/slot_memory.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace corvane {

std::size_t SlotMemory::rank(const std::optional<std::string>& identity) const {
    if (!identity) return std::numeric_limits<std::size_t>::max();
    const auto found = std::find(identities_.begin(), identities_.end(), *identity);
    return found == identities_.end() ? std::numeric_limits<std::size_t>::max()
                                      : static_cast<std::size_t>(found - identities_.begin());
}

void SlotMemory::order(std::vector<WowClient>& clients,
                       std::vector<std::optional<std::string>>& identities) const {
    std::vector<std::size_t> indices(clients.size());
    std::iota(indices.begin(), indices.end(), 0);
    std::vector<std::size_t> ranks(clients.size());
    for (std::size_t i = 0; i < clients.size(); ++i) ranks[i] = rank(identities[i]);
    // Stable: equal ranks keep the launch order the clients came in.
    std::stable_sort(indices.begin(), indices.end(),
                     [&](std::size_t a, std::size_t b) { return ranks[a] < ranks[b]; });
    std::vector<WowClient> orderedClients;
    std::vector<std::optional<std::string>> orderedIdentities;
    orderedClients.reserve(clients.size());
    orderedIdentities.reserve(clients.size());
    for (const std::size_t index : indices) {
        orderedClients.push_back(clients[index]);
        orderedIdentities.push_back(std::move(identities[index]));
    }
    clients = std::move(orderedClients);
    identities = std::move(orderedIdentities);
}

bool SlotMemory::remember(const std::vector<std::optional<std::string>>& running) {
    bool changed = false;
    for (const auto& identity : running) {
        if (!identity || std::find(identities_.begin(), identities_.end(), *identity) != identities_.end())
            continue;
        makeRoom(running);
        identities_.push_back(*identity);
        changed = true;
    }
    return changed;
}

void SlotMemory::makeRoom(const std::vector<std::optional<std::string>>& running) {
    if (identities_.size() < kCapacity) return;
    const auto stale = std::find_if(identities_.begin(), identities_.end(), [&](const std::string& identity) {
        return std::find(running.begin(), running.end(), identity) == running.end();
    });
    identities_.erase(stale != identities_.end() ? stale : identities_.begin());
}

}  // namespace corvane
