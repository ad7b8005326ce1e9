// What the backend reads from text: /proc for launch dates and liveness,
// WM_CLASS for bundle identifiers. No X server needed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "platform/x11/processes/bundle_identifier.h"
#include "platform/x11/processes/game_process.h"
#include "platform/x11/processes/proc_stat.h"

namespace corvane::x11test {
namespace {

using namespace std::string_literals;

using x11::bootTimeSeconds;
using x11::startTimeTicks;

/// A stat line whose fields after the command name are 3, 4, ... and whose
/// field 22 (the start time) is `start`.
std::string statLine(const std::string& command, const std::string& start) {
    std::string line = "4242 (" + command + ")";
    for (int field = 3; field <= 52; ++field) {
        line += " " + (field == 22 ? start : std::to_string(field));
    }
    return line + "\n";
}

struct StatCase {
    const char* name;
    std::string line;
    std::optional<std::uint64_t> ticks;
    friend void PrintTo(const StatCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class StartTimeTicks : public ::testing::TestWithParam<StatCase> {};

TEST_P(StartTimeTicks, isField22CountedAfterTheCommandName) {
    EXPECT_EQ(startTimeTicks(GetParam().line), GetParam().ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StartTimeTicks,
    ::testing::Values(StatCase{"plain", statLine("Wow.exe", "987654"), 987654},
                      StatCase{"spacesInName", statLine("World of Warcraft", "77"), 77},
                      // A name may close a parenthesis of its own: count after the last one.
                      StatCase{"parenthesesInName", statLine("a) 1 2 3 (b", "31337"), 31337},
                      StatCase{"truncated", "4242 (Wow.exe) S 1 2 3 4", std::nullopt},
                      StatCase{"noName", "4242 Wow.exe S 1 2 3", std::nullopt},
                      StatCase{"notANumber", statLine("Wow.exe", "12ab"), std::nullopt},
                      StatCase{"empty", "", std::nullopt}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(BootTimeSeconds, readsTheBtimeLineWherever) {
    EXPECT_EQ(bootTimeSeconds("cpu 1 2 3\nintr 5\nbtime 1700000000\nprocesses 9\n"), 1700000000);
    EXPECT_EQ(bootTimeSeconds("btime 1700000123"), 1700000123);
    EXPECT_EQ(bootTimeSeconds("cpu 1 2 3\nbtimex 5\n"), std::nullopt);
    EXPECT_EQ(bootTimeSeconds("btime soon\n"), std::nullopt);
}

class ProcStatTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() / ("corvane-proc-" + std::to_string(getpid()));
        std::filesystem::create_directories(root_);
        write("stat", "cpu 1 2 3\nbtime 1700000000\n");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    void write(const std::filesystem::path& relative, const std::string& text) {
        std::filesystem::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << text;
    }

    std::filesystem::path root_;
};

TEST_F(ProcStatTest, launchDateIsBootTimePlusStartTicksInSeconds) {
    write("4242/stat", statLine("Wow.exe", "12345"));
    x11::ProcStat proc(root_, 100);

    EXPECT_EQ(proc.launchDate(4242), platform::Date{1700000000 + 123.45});
    EXPECT_TRUE(proc.running(4242));
}

TEST_F(ProcStatTest, aProcessThatIsGoneHasNoDateAndIsNotRunning) {
    x11::ProcStat proc(root_, 100);

    EXPECT_EQ(proc.launchDate(4243), std::nullopt);
    EXPECT_FALSE(proc.running(4243));
}

TEST_F(ProcStatTest, withoutABootTimeThereIsNoDate) {
    write("stat", "cpu 1 2 3\n");
    write("4242/stat", statLine("Wow.exe", "12345"));
    x11::ProcStat proc(root_, 100);

    EXPECT_EQ(proc.launchDate(4242), std::nullopt);
}

// The kernel derives btime from the wall clock; a second read could differ
// and reorder games launched close together.
TEST_F(ProcStatTest, bootTimeIsReadOnceSoDatesStayComparable) {
    write("4242/stat", statLine("Wow.exe", "100"));
    x11::ProcStat proc(root_, 100);
    const auto first = proc.launchDate(4242);
    write("stat", "btime 1700000001\n");

    EXPECT_EQ(proc.launchDate(4242), first);
}

TEST(ProcStatOfThisSystem, knowsThisProcessStartedBeforeNow) {
    x11::ProcStat proc;
    const auto launched = proc.launchDate(getpid());

    ASSERT_TRUE(launched.has_value());
    EXPECT_TRUE(proc.running(getpid()));
    EXPECT_LE(launched->secondsSince1970, static_cast<double>(time(nullptr)) + 1);
}

struct BundleCase {
    const char* windowClass;
    const char* identifier;
    friend void PrintTo(const BundleCase& testCase, std::ostream* out) { *out << testCase.windowClass; }
};

class BundleIdentifier : public ::testing::TestWithParam<BundleCase> {};

TEST_P(BundleIdentifier, mapsTheGameExecutablesAndKeepsOtherClasses) {
    EXPECT_EQ(x11::bundleIdentifier(GetParam().windowClass), GetParam().identifier);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, BundleIdentifier,
    ::testing::Values(BundleCase{"wow.exe", "com.blizzard.worldofwarcraft"},
                      BundleCase{"Wow.exe", "com.blizzard.worldofwarcraft"},
                      BundleCase{"WOW-64.EXE", "com.blizzard.worldofwarcraft"},
                      BundleCase{"WowT.exe", "com.blizzard.worldofwarcraft.test"},
                      BundleCase{"WowB.exe", "com.blizzard.worldofwarcraft.beta"},
                      BundleCase{"wowclassic.exe", "com.blizzard.worldofwarcraft.classic"},
                      BundleCase{"WowClassicT.exe", "com.blizzard.worldofwarcraft.classic.test"},
                      BundleCase{"WowClassicB.exe", "com.blizzard.worldofwarcraft.classic.beta"},
                      // Everything else is its own identifier, case and all.
                      BundleCase{"XTerm", "XTerm"}, BundleCase{"wow.exe.bak", "wow.exe.bak"},
                      BundleCase{"Battle.net.exe", "Battle.net.exe"}, BundleCase{"wow", "wow"},
                      BundleCase{"", ""}),
    [](const auto& testCase) {
        std::string name = testCase.param.windowClass;
        for (char& c : name) {
            if (std::isalnum(static_cast<unsigned char>(c)) == 0) c = '_';
        }
        return name.empty() ? std::string("empty") : name;
    });

struct ProcessCase {
    const char* name;
    std::string commandName;
    std::string argument0;
    std::vector<std::string> classes;
    std::optional<std::string> identifier;
    x11::Recognition how;
    friend void PrintTo(const ProcessCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class GameRecognition : public ::testing::TestWithParam<ProcessCase> {};

TEST_P(GameRecognition, byTheProcessNameWineSetsElseByAWindowClass) {
    const auto& c = GetParam();
    const auto kind = x11::recognise(x11::executableName(c.commandName, c.argument0), c.classes);
    EXPECT_EQ(kind.bundleIdentifier, c.identifier);
    EXPECT_EQ(kind.how, c.how);
}

using x11::Recognition;
INSTANTIATE_TEST_SUITE_P(Processes, GameRecognition,
                         ::testing::Values(ProcessCase{"proton",
                                                       "Wow.exe",
                                                       "",
                                                       {"steam_app_0"},
                                                       "com.blizzard.worldofwarcraft",
                                                       Recognition::processName},
                                           ProcessCase{"protonOtherProgram",
                                                       "wine64-preload",
                                                       "/usr/bin/wine64-preloader",
                                                       {"steam_app_0"},
                                                       "steam_app_0",
                                                       Recognition::none},
                                           ProcessCase{"plainWine",
                                                       "wine64-preload",
                                                       "",
                                                       {"wow.exe"},
                                                       "com.blizzard.worldofwarcraft",
                                                       Recognition::windowClass},
                                           ProcessCase{"fullLengthName",
                                                       "WowClassicT.exe",
                                                       R"(C:\World of Warcraft\_ptr_\WowClassicT.exe)",
                                                       {"steam_proton"},
                                                       "com.blizzard.worldofwarcraft.classic.test",
                                                       Recognition::processName},
                                           ProcessCase{
                                               "nothing", "", "", {}, std::nullopt, Recognition::none}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// The kernel keeps 15 characters; the rest is in argv[0], a Windows path under Wine.
TEST(ExecutableName, takesArgv0OnlyWhereTheKernelCutTheNameShort) {
    EXPECT_EQ(x11::executableName("Wow.exe", "/usr/bin/other"), "Wow.exe");
    EXPECT_EQ(x11::executableName("WowClassicT-64.", R"(C:\Games\WowClassicT-64.exe)"), "WowClassicT-64.exe");
    EXPECT_EQ(x11::executableName("WowClassicT-64.", "/opt/wine/bin/wine"), "WowClassicT-64.");
}

TEST_F(ProcStatTest, aLaunchIsItsWinePrefixAndCommandLineWithHomesWineWhereNoneIsSet) {
    using namespace std::string_view_literals;
    write("4242/cmdline", std::string(R"(C:\WoW\Wow.exe)"sv) + "\0-launcherlogin\0"s);
    write("4242/environ", "HOME=/home/p\0WINEPREFIX=/games/wow1/\0"s);
    write("4243/cmdline", "Wow.exe\0"s);
    write("4243/environ", "HOME=/home/p\0"s);
    write("4244/environ", "HOME=/home/p\0"s);
    x11::ProcStat proc(root_, 100);

    EXPECT_EQ(x11::launchIdentity(proc, 4242), R"(/games/wow1
C:\WoW\Wow.exe
-launcherlogin)");
    EXPECT_EQ(x11::launchIdentity(proc, 4243), "/home/p/.wine\nWow.exe");
    EXPECT_EQ(x11::launchIdentity(proc, 4244), std::nullopt);  // no command line to be read
}

TEST(ClassPart, isTheSecondOfWmClassesTwoStrings) {
    using namespace std::string_view_literals;
    EXPECT_EQ(x11::classPart("xterm\0XTerm\0"sv), "XTerm");
    EXPECT_EQ(x11::classPart("wow.exe\0wow.exe\0"sv), "wow.exe");
    EXPECT_EQ(x11::classPart("xterm\0XTerm"sv), "XTerm");  // no final NUL
    EXPECT_EQ(x11::classPart("xterm\0"sv), std::nullopt);
    EXPECT_EQ(x11::classPart("xterm"sv), std::nullopt);
    EXPECT_EQ(x11::classPart(""sv), std::nullopt);
}

}  // namespace
}  // namespace corvane::x11test
