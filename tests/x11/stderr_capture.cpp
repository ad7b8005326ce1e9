#include "stderr_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvane::x11test {

StderrCapture::StderrCapture(std::filesystem::path file) : file_(std::move(file)) {
    std::fflush(stderr);
    const int fd = open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot open " + file_.string());
    saved_ = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
}

StderrCapture::~StderrCapture() {
    finish();
}

std::string StderrCapture::finish() {
    if (saved_ >= 0) {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::ifstream in(file_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace corvane::x11test
