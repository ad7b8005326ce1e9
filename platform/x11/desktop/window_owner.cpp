#include "platform/x11/desktop/window_owner.h"

#include <unistd.h>

#include <array>

#include "platform/x11/desktop/foreign_client.h"

namespace corvane::x11 {

namespace {

constexpr std::uint32_t kHostNameItems = 64;

}  // namespace

WindowOwnerRead::WindowOwnerRead(const Connection& connection, xcb_window_t window)
    : connection_(connection),
      window_(window),
      claimed_(connection.getProperty(window, connection.atoms().netWmPid, 1)) {
    if (connection.extensions().res.usable) {
        const xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        clientIds_.emplace(connection.get(), xcb_res_query_client_ids(connection.get(), 1, &spec),
                           xcb_res_query_client_ids_reply);
    } else {
        // Without the server's word the machine decides whether _NET_WM_PID means anything here.
        machine_.emplace(connection.getProperty(window, XCB_ATOM_WM_CLIENT_MACHINE, kHostNameItems));
    }
}

WindowOwner WindowOwnerRead::get(std::string_view hostName) {
    WindowOwner owner;
    owner.claimedPid = pidFrom(claimed_);
    if (const auto pid = serverPid()) {
        owner.pid = pid;
        owner.source = WindowOwner::Source::server;
    } else if (owner.claimedPid && fromThisMachine(hostName)) {
        owner.pid = owner.claimedPid;
        owner.source = WindowOwner::Source::property;
    }
    return owner;
}

std::optional<platform::Pid> WindowOwnerRead::serverPid() {
    if (!clientIds_) return std::nullopt;
    const auto* reply = clientIds_->get();
    if (reply == nullptr) return std::nullopt;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem > 0;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0) continue;
        if (xcb_res_client_id_value_value_length(it.data) < 1) continue;
        const std::uint32_t pid = *xcb_res_client_id_value_value(it.data);
        if (pid != 0) return static_cast<platform::Pid>(pid);
    }
    return std::nullopt;
}

bool WindowOwnerRead::fromThisMachine(std::string_view hostName) {
    // A client the server knows no pid of is remote, or the server cannot
    // tell: then only a window that names this machine is believed.
    if (!machine_)
        machine_.emplace(connection_.getProperty(window_, XCB_ATOM_WM_CLIENT_MACHINE, kHostNameItems));
    const auto* reply = machine_->get();
    if (!exists(reply)) return !clientIds_;
    std::string machine = bytes(reply);
    while (!machine.empty() && machine.back() == '\0') machine.pop_back();
    return !hostName.empty() && machine == hostName;
}

std::string localHostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) return {};
    return name.data();
}

}  // namespace corvane::x11
