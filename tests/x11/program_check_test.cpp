// `corvane --check` told the same as the program finds it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace
}  // namespace corvane::x11test
