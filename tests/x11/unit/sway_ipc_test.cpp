// sway's command channel against a stand-in for sway on a socket of its own.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/x11/sway_ipc.h"

namespace corvane::x11test {
namespace {

/// Reads one i3-ipc message; false when the peer went away.
bool readMessage(int fd) {
    std::array<char, 14> header{};
    if (recv(fd, header.data(), header.size(), MSG_WAITALL) != static_cast<ssize_t>(header.size()))
        return false;
    std::uint32_t length = 0;
    std::memcpy(&length, header.data() + 6, sizeof length);
    std::string payload(length, '\0');
    return length == 0 || recv(fd, payload.data(), length, MSG_WAITALL) == static_cast<ssize_t>(length);
}

void answer(int fd, const std::string& payload) {
    std::string message = "i3-ipc";
    const auto length = static_cast<std::uint32_t>(payload.size());
    const std::uint32_t type = 0;
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message += payload;
    (void)::send(fd, message.data(), message.size(), MSG_NOSIGNAL);
}

TEST(SwayIpcChannel, anAnswerTooLateIsNeverTakenForTheNextCommandsAnswer) {
    const auto path = std::filesystem::temp_directory_path() / ("corvane-sway-" + std::to_string(getpid()));
    std::filesystem::remove(path);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 2), 0);
    // The first command's refusal comes after the program stopped waiting; the
    // second command, on whatever channel it comes, is taken.
    std::thread sway([listener] {
        const int first = accept(listener, nullptr, nullptr);
        if (readMessage(first)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1300));
            answer(first, R"([{"success": false}])");
        }
        // The next command on the old channel or on a new one, within three seconds.
        std::array<pollfd, 2> ready{pollfd{listener, POLLIN, 0}, pollfd{first, POLLIN, 0}};
        nfds_t watched = ready.size();
        while (poll(ready.data(), watched, 3000) > 0) {
            if ((ready[0].revents & POLLIN) != 0) {
                const int second = accept(listener, nullptr, nullptr);
                if (readMessage(second)) answer(second, R"([{"success": true}])");
                close(second);
                break;
            }
            if (readMessage(first)) {
                answer(first, R"([{"success": true}])");
                break;
            }
            watched = 1;  // the program closed the old channel
        }
        close(first);
    });
    setenv("SWAYSOCK", path.c_str(), 1);
    auto ipc = x11::SwayIpc::connectFromEnvironment();
    unsetenv("SWAYSOCK");
    ASSERT_NE(ipc, nullptr);
    EXPECT_FALSE(ipc->run("[id=1] focus")) << "no answer in time";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the late answer is in by now
    EXPECT_TRUE(ipc->run("[id=2] focus")) << "the late refusal was read as this command's answer";
    sway.join();
    close(listener);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace corvane::x11test
