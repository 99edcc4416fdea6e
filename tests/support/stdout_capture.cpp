// Redirecting descriptor 1 into a file and back; see stdout_capture.h.
#include "tests/support/stdout_capture.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "tests/support/temp_folder.h"

StdoutCapture::StdoutCapture(const std::string& file) : file_(file) {
    fflush(stdout);
    saved_ = _dup(_fileno(stdout));
    int target = _open(file_.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0666);
    _dup2(target, _fileno(stdout));
    _close(target);
}

StdoutCapture::~StdoutCapture() { Finish(); }

std::string StdoutCapture::Finish() {
    if (!finished_) {
        finished_ = true;
        fflush(stdout);
        _dup2(saved_, _fileno(stdout));
        _close(saved_);
        text_ = ReadTestFile(file_);
    }
    return text_;
}
