#include "platform/store/json_defaults_store.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sim/sim_main_queue.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;

/// A fresh directory, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "corvane-store-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    TemporaryDirectory(TemporaryDirectory&&) = delete;
    TemporaryDirectory& operator=(TemporaryDirectory&&) = delete;

    [[nodiscard]] const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<std::string> fileNames(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<fs::path> filesAside(const fs::path& directory) {
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename().string().starts_with("settings.json.unreadable-")) {
            aside.push_back(entry.path());
        }
    }
    return aside;
}

unsigned permissions(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(stat(file.c_str(), &info), 0);
    return info.st_mode & 0777U;
}

class JsonDefaultsStoreTest : public ::testing::Test {
protected:
    TemporaryDirectory directory;
    fs::path file = directory.path() / "settings.json";
};

// --- Values ----------------------------------------------------------------

TEST_F(JsonDefaultsStoreTest, EveryValueTypeSurvivesASecondInstance) {
    const std::vector<std::pair<std::string, DefaultsValue>> values = {
        {"name", std::string("Fräulein \"quoted\" \\ line\nbreak")},
        {"empty", std::string()},
        {"on", true},
        {"off", false},
        {"scale", 0.72},
        {"whole", 420.0},
        {"negative", -1440.5},
        {"clients", StringList{"a", "", "ü"}},
        {"none", StringList{}},
        {"unknown", OtherValue{}},
        {"previewFrame.0", std::string("{{996, 24}, {420, 236}}")},
    };
    {
        JsonDefaultsStore store(file);
        for (const auto& [key, value] : values) store.set(key, value);
    }
    const JsonDefaultsStore reopened(file);
    for (const auto& [key, value] : values) {
        SCOPED_TRACE(key);
        EXPECT_EQ(reopened.object(key), value);
    }
    EXPECT_EQ(reopened.object("missing"), std::nullopt);
}

class JsonDefaultsStorePrecision : public JsonDefaultsStoreTest,
                                   public ::testing::WithParamInterface<double> {};

TEST_P(JsonDefaultsStorePrecision, KeepsEveryBitOfADouble) {
    JsonDefaultsStore(file).set("value", GetParam());
    EXPECT_EQ(JsonDefaultsStore(file).number("value"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Doubles, JsonDefaultsStorePrecision,
                         ::testing::Values(0.1 + 0.2, 1e-300, 0.72, 420.9, 1.0 / 3.0,
                                           std::numeric_limits<double>::denorm_min(),
                                           std::numeric_limits<double>::max(), -2.5e-5));

struct MappingCase {
    std::string json;
    DefaultsValue value;
};

class JsonDefaultsStoreMapping : public JsonDefaultsStoreTest,
                                 public ::testing::WithParamInterface<MappingCase> {};

TEST_P(JsonDefaultsStoreMapping, ReadsJsonTypesAsTheProgramSeesThem) {
    writeBytes(file, R"({"key": )" + GetParam().json + "}");
    EXPECT_EQ(JsonDefaultsStore(file).object("key"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Types, JsonDefaultsStoreMapping,
    ::testing::Values(MappingCase{R"("text")", std::string("text")}, MappingCase{"true", true},
                      MappingCase{"false", false}, MappingCase{"3", 3.0}, MappingCase{"-2.5e3", -2500.0},
                      MappingCase{"18446744073709551615", 18446744073709551615.0},
                      MappingCase{R"(["a", "b"])", StringList{"a", "b"}}, MappingCase{"[]", StringList{}},
                      MappingCase{"null", OtherValue{}}, MappingCase{R"({"a": "b"})", OtherValue{}},
                      MappingCase{R"(["a", 1])", OtherValue{}}, MappingCase{R"([["a"]])", OtherValue{}},
                      // As deep as a readable document may nest, and brackets that only look deep.
                      MappingCase{std::string(63, '[') + std::string(63, ']'), OtherValue{}},
                      MappingCase{'"' + std::string(100, '[') + R"(\"{)" + '"',
                                  std::string(100, '[') + "\"{"}));

TEST_F(JsonDefaultsStoreTest, DottedKeysArePlainKeys) {
    writeBytes(file, R"({"previewFrame": {"0": "nested"}, "previewFrame.0": "plain"})");
    JsonDefaultsStore store(file);
    EXPECT_EQ(store.string("previewFrame.0"), "plain");
    store.set("previewFrame.1", std::string("new"));
    const auto saved = nlohmann::json::parse(readBytes(file));
    EXPECT_EQ(saved.at("previewFrame.1"), "new");
    EXPECT_EQ(saved.at("previewFrame"), nlohmann::json::parse(R"({"0": "nested"})"));
}

TEST_F(JsonDefaultsStoreTest, UnknownValuesSurviveAWrite) {
    const std::string original = R"({
        "nested": {"list": [1, "two", null, {"deep": [true, 0.5]}]},
        "mixed": ["a", 1],
        "nothing": null,
        "big": 12345678901234567890,
        "count": 7,
        "scale": 1.0
    })";
    writeBytes(file, original);
    JsonDefaultsStore store(file);
    store.set("nothing", OtherValue{});
    store.set("scale", 2.0);

    auto expected = nlohmann::json::parse(original);
    expected["scale"] = 2.0;
    EXPECT_EQ(nlohmann::json::parse(readBytes(file)), expected);
    EXPECT_NE(readBytes(file).find("12345678901234567890"), std::string::npos);
}

// --- Unreadable files --------------------------------------------------------

class JsonDefaultsStoreUnreadable : public JsonDefaultsStoreTest,
                                    public ::testing::WithParamInterface<std::string> {};

TEST_P(JsonDefaultsStoreUnreadable, IsEmptyAndKeptAsideByteForByteOnFirstWrite) {
    writeBytes(file, GetParam());
    JsonDefaultsStore store(file);
    EXPECT_EQ(store.object("a"), std::nullopt);
    EXPECT_EQ(store.object("0"), std::nullopt);
    store.set("b", true);
    store.set("c", false);

    const auto aside = filesAside(directory.path());
    ASSERT_EQ(aside.size(), 1U);
    EXPECT_EQ(readBytes(aside[0]), GetParam());
    EXPECT_EQ(nlohmann::json::parse(readBytes(file)), nlohmann::json::parse(R"({"b": true, "c": false})"));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, JsonDefaultsStoreUnreadable,
    ::testing::Values(std::string(R"({"a": 1,)"), std::string(), std::string(R"(["a", "b"])"),
                      std::string(R"("a")"), std::string("{\"a\": \"\xff\xfe\"}"),
                      std::string("{\"a\": 1} trailing"), std::string("\0{}", 3),
                      // One level too deep, and deep enough to exhaust a stack.
                      "{\"a\": " + std::string(64, '[') + std::string(64, ']') + "}",
                      "{\"a\": " + std::string(100000, '[') + std::string(100000, ']') + "}",
                      // Valid, but too large to be worth its memory.
                      "{\"a\": \"" + std::string(JsonDefaultsStore::kMaxBytes, 'x') + "\"}"));

struct OccupantCase {
    std::string name;
    void (*place)(const fs::path& file);
};

class JsonDefaultsStoreOccupant : public JsonDefaultsStoreTest,
                                  public ::testing::WithParamInterface<OccupantCase> {};

TEST_P(JsonDefaultsStoreOccupant, SomethingUnreadableInPlaceOfTheFileIsKeptAside) {
    if (GetParam().name == "NoPermission" && geteuid() == 0) GTEST_SKIP() << "root reads any file";
    GetParam().place(file);
    JsonDefaultsStore store(file);
    EXPECT_EQ(store.object("a"), std::nullopt);
    store.set("b", true);
    EXPECT_EQ(filesAside(directory.path()).size(), 1U);
    EXPECT_EQ(JsonDefaultsStore(file).boolean("b"), true);
}

INSTANTIATE_TEST_SUITE_P(
    Occupants, JsonDefaultsStoreOccupant,
    ::testing::Values(OccupantCase{"Folder", [](const fs::path& file) { fs::create_directory(file); }},
                      OccupantCase{"Fifo", [](const fs::path& file) { mkfifo(file.c_str(), 0600); }},
                      OccupantCase{"NoPermission",
                                   [](const fs::path& file) {
                                       writeBytes(file, R"({"a": 1})");
                                       fs::permissions(file, fs::perms::none);
                                   }}),
    [](const auto& test) { return test.param.name; });

TEST_F(JsonDefaultsStoreTest, UnreadableFileIsLeftAloneWhenNothingIsWritten) {
    writeBytes(file, "not json");
    { const JsonDefaultsStore store(file); }
    EXPECT_EQ(fileNames(directory.path()), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(readBytes(file), "not json");
}

TEST_F(JsonDefaultsStoreTest, AnEarlierFileKeptAsideIsNeverOverwritten) {
    writeBytes(file, "first");
    JsonDefaultsStore(file).set("a", true);
    writeBytes(file, "second");
    JsonDefaultsStore(file).set("a", true);

    std::vector<std::string> contents;
    for (const auto& aside : filesAside(directory.path())) contents.push_back(readBytes(aside));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first", "second"}));
}

// --- Writing -----------------------------------------------------------------

/// Abandons every save at the last moment, as a crash before the rename would.
class InterruptedStore : public JsonDefaultsStore {
public:
    using JsonDefaultsStore::JsonDefaultsStore;
    std::vector<unsigned> temporaryPermissions;
    std::vector<std::string> temporaryContents;

protected:
    bool readyToReplace(const fs::path& temporaryFile) override {
        temporaryPermissions.push_back(permissions(temporaryFile));
        temporaryContents.push_back(readBytes(temporaryFile));
        return false;
    }
};

TEST_F(JsonDefaultsStoreTest, SaveInterruptedBeforeTheRenameLeavesThePreviousFile) {
    JsonDefaultsStore(file).set("a", std::string("old"));
    const std::string previous = readBytes(file);

    InterruptedStore store(file);
    store.set("a", std::string("new"));

    EXPECT_EQ(readBytes(file), previous);
    EXPECT_EQ(fileNames(directory.path()), (std::vector<std::string>{"settings.json", "settings.json.lock"}));
    EXPECT_EQ(store.string("a"), "new");  // the program goes on with it
    ASSERT_EQ(store.temporaryContents.size(), 1U);
    EXPECT_EQ(nlohmann::json::parse(store.temporaryContents[0]).at("a"), "new");
    EXPECT_EQ(store.temporaryPermissions[0], 0600U);
}

TEST_F(JsonDefaultsStoreTest, FileIsOwnerOnlyInANewOwnerOnlyDirectory) {
    const fs::path nested = directory.path() / "config" / "corvane" / "settings.json";
    JsonDefaultsStore(nested).set("a", true);
    EXPECT_EQ(permissions(nested), 0600U);
    EXPECT_EQ(permissions(nested.parent_path()), 0700U);
}

TEST_F(JsonDefaultsStoreTest, ReplacingAReadableFileMakesItOwnerOnly) {
    writeBytes(file, "{}");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    JsonDefaultsStore(file).set("a", true);
    EXPECT_EQ(permissions(file), 0600U);
}

TEST_F(JsonDefaultsStoreTest, UnwritableLocationKeepsTheValueInMemory) {
    writeBytes(directory.path() / "occupied", "a file where a directory should be");
    JsonDefaultsStore store(directory.path() / "occupied" / "settings.json");
    store.set("a", 1.5);
    EXPECT_EQ(store.number("a"), 1.5);
    EXPECT_EQ(readBytes(directory.path() / "occupied"), "a file where a directory should be");
}

TEST_F(JsonDefaultsStoreTest, SaveRemovesOnlyItsOwnStaleTemporaries) {
    for (const char* name :
         {"settings.json.tmp-aZ09xy", "settings.json.tmp-aZ09x", "settings.json.tmp-aZ09xyz",
          "settings.json.tmp-aZ.9xy", "other.json.tmp-aZ09xy"}) {
        writeBytes(directory.path() / name, "left by a killed write");
    }
    fs::create_directory(directory.path() / "settings.json.tmp-folder");
    JsonDefaultsStore(file).set("a", true);
    EXPECT_EQ(fileNames(directory.path()),
              (std::vector<std::string>{"other.json.tmp-aZ09xy", "settings.json", "settings.json.lock",
                                        "settings.json.tmp-aZ.9xy", "settings.json.tmp-aZ09x",
                                        "settings.json.tmp-aZ09xyz", "settings.json.tmp-folder"}));
}

TEST_F(JsonDefaultsStoreTest, ReportsEachFailureOnceOnStderrAndIsSilentOtherwise) {
    writeBytes(directory.path() / "occupied", "a file where a directory should be");
    const fs::path blocked = directory.path() / "occupied" / "settings.json";
    writeBytes(file, "not json");

    ::testing::internal::CaptureStderr();
    JsonDefaultsStore(directory.path() / "fine.json").set("a", true);
    JsonDefaultsStore unreadable(file);
    JsonDefaultsStore unwritable(blocked);
    for (int i = 0; i < 3; ++i) unwritable.set("a", static_cast<double>(i));
    const std::string output = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(output, "corvane: cannot read settings from " + file.string() +
                          ": not valid JSON; using the defaults, the file is kept aside at the first save\n"
                          "corvane: cannot save settings to " +
                          blocked.string() + ": Not a directory\n");
}

TEST_F(JsonDefaultsStoreTest, AFailedSaveIsSaidOnceAndWrittenWhenTheFolderCanBeHad) {
    const fs::path folder = directory.path() / "config";
    writeBytes(folder, "a file where the folder should be");
    JsonDefaultsStore store(folder / "settings.json");

    ::testing::internal::CaptureStderr();
    store.set("a", 1.0);
    store.set("b", 2.0);
    const std::string output = ::testing::internal::GetCapturedStderr();
    fs::remove(folder);
    store.flush();

    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_EQ(JsonDefaultsStore(folder / "settings.json").number("a"), 1.0);
}

// --- Sharing the file ----------------------------------------------------------

TEST_F(JsonDefaultsStoreTest, TwoProgramsAndAHandEditEachKeepTheirOwnChanges) {
    writeBytes(file, R"({"layout": "stack", "names": ["one"]})");
    JsonDefaultsStore first(file);
    JsonDefaultsStore second(file);

    first.set("layout", "grid");
    second.set("hotkey", "f1");
    auto edited = nlohmann::json::parse(readBytes(file));
    edited["names"] = {"by hand"};
    writeBytes(file, edited.dump());
    first.set("showBorder", false);

    EXPECT_EQ(nlohmann::json::parse(readBytes(file)),
              nlohmann::json::parse(
                  R"({"layout": "grid", "names": ["by hand"], "hotkey": "f1", "showBorder": false})"));
}

TEST_F(JsonDefaultsStoreTest, ALinkStaysALinkAndItsTargetTakesTheSettings) {
    const fs::path dotfiles = directory.path() / "dotfiles";
    fs::create_directory(dotfiles);
    for (const bool targetThere : {true, false}) {
        SCOPED_TRACE(targetThere);
        const fs::path target = dotfiles / (targetThere ? "there.json" : "new.json");
        if (targetThere) writeBytes(target, R"({"a": 1})");
        fs::remove(file);
        fs::create_symlink(fs::path("dotfiles") / target.filename(), file);

        JsonDefaultsStore(file).set("b", true);

        EXPECT_TRUE(fs::is_symlink(file));
        EXPECT_EQ(nlohmann::json::parse(readBytes(target)),
                  targetThere ? nlohmann::json::parse(R"({"a": 1, "b": true})")
                              : nlohmann::json::parse(R"({"b": true})"));
    }
}

TEST(JsonDefaultsStoreNoHome, WithNoHomeFolderKnownNothingIsSavedAndItSaysSo) {
    constexpr uid_t kUnknownUser = 54321;
    if (geteuid() != 0 || getpwuid(kUnknownUser) != nullptr)
        GTEST_SKIP() << "needs to become an unknown user";
    const TemporaryDirectory started;
    fs::permissions(started.path(), fs::perms::all);
    EXPECT_EXIT(
        {
            if (chdir(started.path().c_str()) != 0 || setuid(kUnknownUser) != 0) std::exit(2);
            unsetenv("HOME");
            unsetenv("XDG_CONFIG_HOME");
            JsonDefaultsStore(JsonDefaultsStore::defaultPath()).set("a", true);
            std::exit(fs::exists(started.path() / ".config") ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "cannot save settings: no home folder is known");
}

/// Counts the saves that reach the rename.
class CountingStore : public JsonDefaultsStore {
public:
    using JsonDefaultsStore::JsonDefaultsStore;
    ~CountingStore() override { flush(); }  // while the count still exists
    CountingStore(const CountingStore&) = delete;
    CountingStore& operator=(const CountingStore&) = delete;
    CountingStore(CountingStore&&) = delete;
    CountingStore& operator=(CountingStore&&) = delete;
    int* writes = nullptr;

protected:
    bool readyToReplace(const fs::path& /*temporaryFile*/) override {
        ++*writes;
        return true;
    }
};

TEST_F(JsonDefaultsStoreTest, WithAQueueWritesOnceAfterAQuietPeriodAndAtTheEnd) {
    sim::SimMainQueue queue;
    int writes = 0;
    {
        CountingStore store(file, queue);
        store.writes = &writes;
        for (int step = 0; step < 20; ++step) {  // a panel dragged for a second
            store.set("previewFrame.0", "{{" + std::to_string(step) + ", 0}, {420, 236}}");
            queue.advance(0.05);
        }
        EXPECT_EQ(store.string("previewFrame.0"), "{{19, 0}, {420, 236}}");
        EXPECT_EQ(writes, 0);
        queue.advance(JsonDefaultsStore::kQuietSeconds);
        EXPECT_EQ(writes, 1);
        EXPECT_EQ(JsonDefaultsStore(file).string("previewFrame.0"), "{{19, 0}, {420, 236}}");
        EXPECT_EQ(queue.activeTimers(), 0U);

        store.set("showBorder", false);  // the program ends before the quiet period does
    }
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(JsonDefaultsStore(file).boolean("showBorder"), false);
}

TEST(JsonDefaultsStoreKill, AWriteKilledAtAnyMomentLeavesTheOldOrTheNewDocument) {
    const TemporaryDirectory directory;
    const fs::path file = directory.path() / "settings.json";
    const std::string payload(20000, 'p');
    {
        JsonDefaultsStore store(file);
        store.set("payload", payload);
        store.set("count", 0.0);
    }
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayMicroseconds(0, 3000);
    int temporariesLeft = 0;
    for (int kill = 0; kill < 100; ++kill) {
        std::array<int, 2> ready{};
        ASSERT_EQ(pipe(ready.data()), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            JsonDefaultsStore store(file);
            (void)!write(ready[1], "r", 1);
            for (double count = 1;; ++count) store.set("count", count);
        }
        close(ready[1]);
        char byte = 0;
        (void)!read(ready[0], &byte, 1);  // the child has loaded the file and starts writing
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, nullptr, 0), child);

        const auto document = nlohmann::json::parse(readBytes(file), nullptr, false);
        ASSERT_TRUE(document.is_object()) << "after kill " << kill;
        ASSERT_EQ(document.value("payload", ""), payload);
        ASSERT_TRUE(document.at("count").is_number());
        const auto names = fileNames(directory.path());
        temporariesLeft +=
            static_cast<int>(std::count_if(names.begin(), names.end(), [](const std::string& name) {
                return name.find(".tmp-") != std::string::npos;
            }));

        JsonDefaultsStore(file).set("count", 0.0);
        ASSERT_EQ(fileNames(directory.path()),
                  (std::vector<std::string>{"settings.json", "settings.json.lock"}))
            << "after kill " << kill;
    }
    EXPECT_GT(temporariesLeft, 0) << "no kill landed inside a write";
}

// --- Default location --------------------------------------------------------

/// Sets or unsets an environment variable, restoring it afterwards.
class EnvironmentVariable {
public:
    EnvironmentVariable(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        apply(value);
    }
    ~EnvironmentVariable() { apply(saved_); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;
    EnvironmentVariable(EnvironmentVariable&&) = delete;
    EnvironmentVariable& operator=(EnvironmentVariable&&) = delete;

private:
    void apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }

    std::string name_;
    std::optional<std::string> saved_;
};

struct DefaultPathCase {
    std::optional<std::string> xdgConfigHome;
    fs::path expected;
};

class JsonDefaultsStoreDefaultPath : public ::testing::TestWithParam<DefaultPathCase> {};

TEST_P(JsonDefaultsStoreDefaultPath, FollowsTheConfigurationDirectory) {
    const EnvironmentVariable home("HOME", "/home/player");
    const EnvironmentVariable xdg("XDG_CONFIG_HOME", GetParam().xdgConfigHome);
    EXPECT_EQ(JsonDefaultsStore::defaultPath(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, JsonDefaultsStoreDefaultPath,
    ::testing::Values(DefaultPathCase{"/xdg/config", "/xdg/config/corvane/settings.json"},
                      DefaultPathCase{std::nullopt, "/home/player/.config/corvane/settings.json"},
                      DefaultPathCase{"", "/home/player/.config/corvane/settings.json"},
                      DefaultPathCase{"relative/config", "/home/player/.config/corvane/settings.json"}));

}  // namespace
}  // namespace corvane::platform
