// One Corvane per user and X server: how a later start, another user and a
// stray peer meet the running one.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>
#include <fstream>

#include "program_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

/// A descriptor of the test's, closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    [[nodiscard]] int get() const { return fd_; }

private:
    int fd_;
};

sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), std::min(path.size(), sizeof address.sun_path - 1));
    return address;
}

int connectTo(const fs::path& socketPath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto address = addressOf(socketPath.string());
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

/// Whether the peer closes the connection within `timeout`.
bool closedWithin(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::array<char, 64> buffer{};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&watched, 1, static_cast<int>(left.count())) <= 0) return false;
        const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
    }
}

/// Holds the lock on `file` as a running program does.
int holdLock(const fs::path& file) {
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    EXPECT_EQ(fcntl(fd, F_OFD_SETLK, &range), 0);
    return fd;
}

class SingleInstanceTest : public ProgramTest {
protected:
    [[nodiscard]] std::string number() { return session().display().substr(1); }
    /// The lock's and socket's name for this display.
    [[nodiscard]] std::string instanceName() {
        return "corvane-" + std::to_string(getuid()) + "-_" + number();
    }

    ChildProcess startWithPanel(const std::vector<std::string>& arguments = {},
                                Environment environment = {}) {
        auto program = startProgram(arguments, std::move(environment));
        EXPECT_TRUE(waitUntil([&] { return panelWindow(program.pid()).has_value(); }));
        return program;
    }

    /// Another user's lock, held, and socket answering "shown", in `folder`.
    ChildProcess squat(const fs::path& folder) {
        const auto lock = folder / (instanceName() + ".lock");
        {
            // Also as Qt's lock file words it: a live holder on this host.
            std::array<char, 256> host{};
            gethostname(host.data(), host.size() - 1);
            std::ofstream(lock) << getpid() << "\nx11_tests\n" << host.data() << "\n";
        }
        squatterLock_ = std::make_unique<Descriptor>(holdLock(lock));
        const auto socketPath = folder / instanceName();
        auto squatter = ChildProcess::spawn(
            {.argv = {python(), "-c",
                      "import socket, sys\n"
                      "s = socket.socket(socket.AF_UNIX)\ns.bind(sys.argv[1])\ns.listen(8)\n"
                      "while True:\n    c, _ = s.accept()\n    c.recv(16)\n    c.sendall(b'shown\\n')\n"
                      "    c.close()\n",
                      socketPath.string()}});
        EXPECT_TRUE(waitUntil([&] { return fs::exists(socketPath); }));
        return squatter;
    }

private:
    std::unique_ptr<Descriptor> squatterLock_;
};

TEST_F(SingleInstanceTest, everySpellingOfTheRunningOnesDisplayShowsItsPanelInsteadOfATwin) {
    auto first = startWithPanel();

    for (const std::string& spelling :
         {":" + number() + ".0", "unix:" + number(), ":0" + number(), "/tmp/.X11-unix/X" + number()}) {
        SCOPED_TRACE(spelling);
        auto second = startProgram({"--display", spelling});
        EXPECT_EQ(second.waitForExit(10s), 0);
        EXPECT_NE(programErrors().find("already runs on display " + spelling + ": its panel is shown"),
                  std::string::npos)
            << programErrors();
    }
    EXPECT_TRUE(first.running());
}

struct SquatCase {
    std::string name;
    bool squatRuntimeFolder;  ///< else $XDG_RUNTIME_DIR is unset and the squat is in $TMPDIR
};

class SingleInstanceSquatTest : public SingleInstanceTest, public ::testing::WithParamInterface<SquatCase> {};

TEST_P(SingleInstanceSquatTest, anotherUsersLockAndSocketInASharedFolderNeitherStopNorFoolIt) {
    const auto shared = session().newPath("shared");
    fs::create_directories(shared);
    chmod(shared.c_str(), 01777);
    const auto temporary = session().newPath("tmp");
    fs::create_directories(temporary);
    auto squatter = squat(shared);
    const bool inRuntime = GetParam().squatRuntimeFolder;

    auto program = startWithPanel({}, {{"XDG_RUNTIME_DIR", inRuntime ? shared.string() : ""},
                                       {"TMPDIR", inRuntime ? temporary.string() : shared.string()}});

    EXPECT_TRUE(program.running());
    if (inRuntime) {
        EXPECT_TRUE(waitForError("is not private (others may enter it)"));
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, SingleInstanceSquatTest,
                         ::testing::Values(SquatCase{"TemporaryFolder", false},
                                           SquatCase{"RuntimeFolder", true}),
                         [](const auto& test) { return test.param.name; });

TEST_F(SingleInstanceTest, aPrivateFolderTakenByAnotherUserIsRefused) {
    const auto temporary = session().newPath("tmp");
    const auto taken = temporary / ("corvane-" + std::to_string(getuid()));
    fs::create_directories(taken);
    chmod(taken.c_str(), 0777);
    ASSERT_EQ(chown(taken.c_str(), 65534, 65534), 0);
    auto squatter = squat(taken);

    auto program = startProgram({}, {{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", temporary.string()}});

    EXPECT_EQ(program.waitForExit(10s), 1);
    EXPECT_NE(programErrors().find("cannot make sure that Corvane runs only once"), std::string::npos);
}

TEST_F(SingleInstanceTest, aPeerThatSendsNoRequestIsDroppedSoonAndALaterStartStillGetsThePanel) {
    auto program = startWithPanel();
    const auto socketPath = runtimeFolder() / instanceName();

    for (const std::string& bytes : {std::string(), std::string("sho"), std::string(1 << 20, 'x')}) {
        SCOPED_TRACE(bytes.size());
        const Descriptor peer(connectTo(socketPath));
        ASSERT_GE(peer.get(), 0);
        if (!bytes.empty()) send(peer.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        EXPECT_TRUE(closedWithin(peer.get(), 5s));
    }
    auto second = startProgram();
    EXPECT_EQ(second.waitForExit(10s), 0);
}

TEST_F(SingleInstanceTest, aServerThatNeverAnswersDoesNotKeepItFromEnding) {
    // A display whose socket accepts but never speaks X.
    const Descriptor server(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int display = 900;
    for (;; ++display) {
        ASSERT_LT(display, 1000);
        auto address = addressOf(std::string(1, '\0') + "/tmp/.X11-unix/X" + std::to_string(display));
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + std::strlen(address.sun_path + 1));
        if (bind(server.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0) break;
    }
    ASSERT_EQ(listen(server.get(), 8), 0);

    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        auto program = startProgram({"--display", ":" + std::to_string(display)});
        pollfd waiting{server.get(), POLLIN, 0};
        ASSERT_EQ(poll(&waiting, 1, 10000), 1) << "it never connected";
        const Descriptor connection(accept(server.get(), nullptr, nullptr));
        program.signalGroup(signal);
        EXPECT_EQ(program.waitForExit(5s), 128 + signal);
    }
}

}  // namespace
}  // namespace corvane::x11test
