// Diagnostics: the trace console that the installer opens on every start, and the log
// file "C:\tVisXlog.txt", emptied at start and appended to in three pieces per entry.
// Neither channel reports a failure of its own; the program goes on either way.
#pragma once

// Full path of the log file.
constexpr const char* kLogFilePath = "C:\\tVisXlog.txt";

// True while the trace console is open.
extern bool traceConsoleOpen;

// When the console is open: releases it. Otherwise: creates a console, gives its screen
// buffer `lines` lines at its own width, and binds standard output, input and error to
// it, unbuffered, so that each trace line shows at once.
void ToggleTraceConsole(int lines);

// Empties the log file (creating it when missing); a read-only log keeps its content, and
// a log that is a link (EmptyUnlinkedFile) is left as it is.
void EmptyLog();

// Appends the text, without terminator or line end, to the log; 0 or -1 as
// AppendToUnlinkedFile.
int AppendLog(const char* text);

// One log entry: the label, the value and "\r\n", as three appends.
void LogEntry(const char* label, const char* value);

// printf-style trace line to standard output. Paths travel as "%s" arguments, so a
// percent sign in a path is printed as it is.
void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Prints a finished text unchanged, never as a format.
void TraceText(const char* text);
