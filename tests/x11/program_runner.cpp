#include "program_runner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "text_file.h"
#include "wait_until.h"

#ifndef CORVANE_PATH
#error "CORVANE_PATH must name the corvane binary"
#endif

namespace corvane::x11test {

ProgramRunner::ProgramRunner(std::filesystem::path folder, Environment desktop,
                             std::filesystem::path configHome)
    : folder_(std::move(folder)), desktop_(std::move(desktop)), configHome_(std::move(configHome)) {
    std::filesystem::create_directories(folder_);
}

ProgramRunner::~ProgramRunner() {
    // The program's services before the buses they are on.
    services_.clear();
    buses_.clear();
}

std::string ProgramRunner::python() {
    // Not a user's own interpreter, which may lack the system's bindings.
    const std::string system = "/usr/bin/python3";
    return access(system.c_str(), X_OK) == 0 ? system : findInPath("python3");
}

std::filesystem::path ProgramRunner::newPath(const std::string& stem) {
    return folder_ / (stem + "-" + std::to_string(++pathCounter_));
}

void ProgramRunner::startSessionBus() {
    // Nothing of another start, nor of the machine's own session, reaches it.
    const auto socket = newPath("bus");
    const auto log = newPath("dbus.log").string();
    buses_.push_back(ChildProcess::spawn({.argv = {findInPath("dbus-daemon"), "--session", "--nofork",
                                                   "--nopidfile", "--address=unix:path=" + socket.string()},
                                          .stdoutPath = log,
                                          .stderrPath = log}));
    if (!waitUntil([&] { return std::filesystem::exists(socket); })) {
        throw std::runtime_error("the D-Bus session did not start");
    }
    busAddress_ = "unix:path=" + socket.string();
    busFresh_ = true;
}

Environment ProgramRunner::helperEnvironment() const {
    Environment environment = desktop_;
    environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    return environment;
}

std::filesystem::path ProgramRunner::startOnBus(const std::vector<std::string>& argv) {
    auto output = newPath("service.log");
    services_.push_back(ChildProcess::spawn({.argv = argv,
                                             .environment = helperEnvironment(),
                                             .stdoutPath = output.string(),
                                             .stderrPath = output.string()}));
    return output;
}

ChildProcess ProgramRunner::start(const std::vector<std::string>& arguments, Environment environment) {
    if (!busFresh_) startSessionBus();
    busFresh_ = false;
    // One runtime folder for all starts, as a login has one; the desktop may name its own.
    const auto runtime = runtimeFolder();

    errors_ = newPath("corvane-stderr");
    Environment merged = {{"XDG_RUNTIME_DIR", runtime.string()},
                          // Its controls can be found as a screen reader finds them.
                          {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}};
    merged.insert(merged.end(), desktop_.begin(), desktop_.end());
    merged.emplace_back("XDG_CONFIG_HOME", configHome_.string());
    merged.emplace_back("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    merged.insert(merged.end(), environment.begin(), environment.end());
    std::vector<std::string> argv = {CORVANE_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return ChildProcess::spawn({.argv = std::move(argv),
                                .environment = std::move(merged),
                                .stdoutPath = stdout_.string(),
                                .stderrPath = errors_.string()});
}

ProgramRunner::CheckOutcome ProgramRunner::check(Environment environment) {
    stdout_ = newPath("corvane-stdout");
    auto checking = start({"--check"}, std::move(environment));
    const auto status = checking.waitForExit(std::chrono::seconds(30));
    const std::string report = fileText(stdout_);
    stdout_.clear();
    return {status, report};
}

bool ProgramRunner::waitForError(const std::string& text) const {
    return waitUntil([&] { return errors().find(text) != std::string::npos; });
}

std::string ProgramRunner::errors() const {
    return fileText(errors_);
}

std::string ProgramRunner::unexpectedErrors() const {
    std::stringstream lines(errors());
    std::string unexpected;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("corvane: settings: ") || line.starts_with("corvane: there is no system tray")) {
            continue;
        }
        unexpected += line + "\n";
    }
    return unexpected;
}

std::filesystem::path ProgramRunner::runtimeFolder() const {
    auto runtime = folder_ / "runtime";
    if (std::filesystem::create_directories(runtime)) chmod(runtime.c_str(), S_IRWXU);
    return runtime;
}

std::filesystem::path ProgramRunner::settingsFile() const {
    return configHome_ / "corvane" / "settings.json";
}

void ProgramRunner::writeSettings(const std::string& text) const {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << text;
}

}  // namespace corvane::x11test
