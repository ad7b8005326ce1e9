// sway's command channel against a stand-in for sway on a socket of its own.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

#include "platform/x11/desktop/sway_ipc.h"
#include "platform/x11/desktop/sway_reply.h"

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

std::string message(const std::string& payload, std::uint32_t type = 0, const std::string& magic = "i3-ipc",
                    std::uint32_t length = 0) {
    std::string bytes = magic;
    if (length == 0) length = static_cast<std::uint32_t>(payload.size());
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
    return bytes + payload;
}

void answer(int fd, const std::string& payload) {
    const std::string bytes = message(payload);
    (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

/// A listening socket where sway's would be, served by `serve` on a thread of its own.
class FakeSway {
public:
    explicit FakeSway(const std::function<void(int listener)>& serve)
        : path_(std::filesystem::temp_directory_path() / ("corvane-sway-" + std::to_string(getpid()))) {
        std::filesystem::remove(path_);
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 2) != 0) {
            ADD_FAILURE() << "cannot listen on " << path_;
        }
        thread_ = std::thread(serve, listener_);
    }
    FakeSway(const FakeSway&) = delete;
    FakeSway& operator=(const FakeSway&) = delete;
    ~FakeSway() {
        thread_.join();
        close(listener_);
        std::filesystem::remove(path_);
    }
    [[nodiscard]] std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
    int listener_ = -1;
    std::thread thread_;
};

TEST(SwayIpcChannel, anAnswerTooLateIsNeverTakenForTheNextCommandsAnswer) {
    // The first command's refusal comes after the program stopped waiting; the
    // second command, on whatever channel it comes, is taken.
    const FakeSway sway([](int listener) {
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
    auto ipc = x11::SwayIpc::connect(sway.path());
    ASSERT_NE(ipc, nullptr);
    EXPECT_FALSE(ipc->run("[id=1] focus")) << "no answer in time";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the late answer is in by now
    EXPECT_TRUE(ipc->run("[id=2] focus")) << "the late refusal was read as this command's answer";
}

struct AnswerCase {
    const char* name;
    std::string bytes;
    /// Between one byte and the next; zero sends the answer at once.
    std::chrono::milliseconds pace{0};
    bool taken = false;
    friend void PrintTo(const AnswerCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class SwayAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SwayAnswer, isTakenOnlyWhenItIsACompleteAnswerToTheCommandInTime) {
    const auto& testCase = GetParam();
    const FakeSway sway([&](int listener) {
        const int fd = accept(listener, nullptr, nullptr);
        if (readMessage(fd)) {
            const std::size_t step = testCase.pace.count() > 0 ? 1 : testCase.bytes.size();
            for (std::size_t sent = 0; sent < testCase.bytes.size(); sent += step) {
                // Stops once the program hung up.
                if (::send(fd, testCase.bytes.data() + sent, step, MSG_NOSIGNAL) < 0) break;
                std::this_thread::sleep_for(testCase.pace);
            }
        }
        close(fd);
    });
    auto ipc = x11::SwayIpc::connect(sway.path());
    ASSERT_NE(ipc, nullptr);

    EXPECT_EQ(ipc->run("[id=1] focus"), testCase.taken);
}

const std::string kSuccess = R"([{"success": true}])";

INSTANTIATE_TEST_SUITE_P(
    Cases, SwayAnswer,
    ::testing::Values(
        AnswerCase{"sound", message(kSuccess), {}, true},
        AnswerCase{"otherMagic", message(kSuccess, 0, "i3-ipX"), {}, false},
        AnswerCase{"anEvent", message(kSuccess, 0x80000000U), {}, false},
        // A length past the cap is refused before anything is kept for it.
        AnswerCase{"overlong",
                   message(kSuccess + std::string(x11::SwayReply::kMaxPayload + 1 - kSuccess.size(), ' ')),
                   {},
                   false},
        AnswerCase{"claimsFourGigabytes", message(kSuccess, 0, "i3-ipc", 0xFFFFFFF0U), {}, false},
        // A byte every 150 ms takes five seconds: past the one deadline of the answer.
        AnswerCase{"trickled", message(kSuccess), std::chrono::milliseconds(150), false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace corvane::x11test
