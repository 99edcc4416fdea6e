// Captures what the code under test prints on standard output (its trace lines) into a
// file, for the duration of the object. Windows builds only.
#pragma once

#include <string>

class StdoutCapture {
public:
    explicit StdoutCapture(const std::string& file);
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Stops capturing (once) and returns everything printed meanwhile.
    std::string Finish();

private:
    std::string file_;
    int saved_ = -1;
    bool finished_ = false;
    std::string text_;
};
