// The base of every Windows test suite that calls the installer's file operations: they
// run under the process's file lock, created for the whole suite. Windows builds only.
#pragma once

#include <gtest/gtest.h>

#include "support/file_access.h"

class FileLockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CreateFileLock(); }
    static void TearDownTestSuite() { DeleteFileLock(); }
};
