#include "platform/x11/client_pid.h"

#include <xcb/res.h>

namespace corvane::x11 {

std::optional<pid_t> clientPid(const Connection& connection, xcb_window_t window) {
    xcb_connection_t* c = connection.get();
    // A request of an extension the server lacks would end the connection.
    const auto* extension = xcb_get_extension_data(c, &xcb_res_id);
    if (extension == nullptr || extension->present == 0) return std::nullopt;
    const xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto ids = makeCookie(c, xcb_res_query_client_ids(c, 1, &spec), xcb_res_query_client_ids_reply);
    const auto* reply = ids.get();
    if (reply == nullptr) return std::nullopt;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem > 0;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0 ||
            xcb_res_client_id_value_value_length(it.data) < 1) {
            continue;
        }
        const auto pid = static_cast<pid_t>(*xcb_res_client_id_value_value(it.data));
        if (pid > 0) return pid;
    }
    return std::nullopt;
}

}  // namespace corvane::x11
