// `corvane --check` told the same as the program finds it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <ostream>

#include "program_test.h"

namespace corvane::x11test {
namespace {

using ProgramCheckTest = ProgramTest;

TEST_F(ProgramCheckTest, saysCorvaneRunsWhileOneHoldsTheLockBeforeItListens) {
    const auto lockFile = runtimeFolder() / ("corvane-" + std::to_string(getuid()) + "-_" +
                                             session().display().substr(1) + ".lock");
    const int lock = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    ASSERT_EQ(fcntl(lock, F_OFD_SETLK, &range), 0);  // as a starting Corvane holds it

    const auto outcome = runCheck();
    close(lock);

    EXPECT_NE(outcome.report.find("Corvane runs already"), std::string::npos) << outcome.report;
}

TEST_F(ProgramCheckTest, saysASettingsFileThatIsNoRegularFileCannotBeRead) {
    writeSettings("{}");
    std::filesystem::remove(settingsFile());
    ASSERT_EQ(mkfifo(settingsFile().c_str(), 0600), 0);

    const auto outcome = runCheck();

    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.report.find("cannot be read: not a regular file"), std::string::npos) << outcome.report;
}

struct KwinCase {
    const char* name;
    const char* kwinrc;  ///< the [Xwayland] group's setting; null: no kwinrc
    const char* settings;
    std::vector<std::string> lines;
    friend void PrintTo(const KwinCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class KwinLegacyX11Check : public ProgramTest, public ::testing::WithParamInterface<KwinCase> {};

// A Wayland session under KDE, as the check sees it: the server counts as XWayland.
TEST_P(KwinLegacyX11Check, saysWhichKeysReachCorvaneFromAWaylandWindowAndWhatToChange) {
    const auto& c = GetParam();
    writeSettings(c.settings);
    if (c.kwinrc != nullptr)
        std::ofstream(configHome() / "kwinrc") << "[Xwayland]\nXwaylandEavesdrops=" << c.kwinrc << "\n";

    const auto outcome = runCheck({{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "KDE"}});

    for (const auto& line : c.lines)
        EXPECT_NE(outcome.report.find(line), std::string::npos) << line << " in:\n" << outcome.report;
}

constexpr const char* kBacktickAndControl = R"({"jumpStyle": "controlNumbers"})";
INSTANTIATE_TEST_SUITE_P(
    Settings, KwinLegacyX11Check,
    ::testing::Values(
        KwinCase{
            "byDefault",
            nullptr,
            kBacktickAndControl,
            {"  --  KDE's Legacy X11 App Support keeps the switch key ` (backtick) from Corvane while a "
             "Wayland "
             "window has the focus (it forwards only keys that type no character and keys held with Control, "
             "Alt or Meta): allow all keys under System Settings > Legacy X11 App Support, or pick F13 or "
             "Control + Tab",
             "  ok  KDE's Legacy X11 App Support lets the jump keys (Control + 1\u20265) reach Corvane from "
             "every window"}},
        KwinCase{
            "none",
            "None",
            R"({"hotkey": "f13"})",
            {"  --  KDE's Legacy X11 App Support keeps the switch key F13 from Corvane while a Wayland "
             "window "
             "has the focus (it forwards no key): allow it under System Settings > Legacy X11 App Support"}},
        KwinCase{
            "modifiers",
            "Modifiers",
            R"({"hotkey": "f13", "jumpStyle": "controlNumbers"})",
            {"  ok  KDE's Legacy X11 App Support lets the switch key F13 reach Corvane from every window",
             "  --  KDE's Legacy X11 App Support keeps the jump keys (Control + 1\u20265) from Corvane while "
             "a "
             "Wayland window has the focus (it forwards only keys that type no character): allow it under "
             "System Settings > Legacy X11 App Support, or pick F13\u2026F17"}},
        KwinCase{
            "all",
            "All",
            kBacktickAndControl,
            {"  ok  KDE's Legacy X11 App Support lets the switch key ` (backtick) reach Corvane from every "
             "window"}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace corvane::x11test
