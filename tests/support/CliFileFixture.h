#pragma once
// A new knowledge base made by orvantis-cli in a folder of its own, and the
// command-line calls on it, each a real process.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

class CCliFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.File("wissen.tov");
        ASSERT_EQ(RunCli({"create", m_strDb}).nExit, 0);
    }
    // Runs a command on the database (inserted after the command name), arrExtra behind.
    SProcessResult Cli(std::vector<std::string> arr, const std::vector<std::string>& arrExtra = {}) {
        arr.insert(arr.begin() + 1, m_strDb);
        arr.insert(arr.end(), arrExtra.begin(), arrExtra.end());
        return RunCli(arr);
    }
    // The same for a call that must succeed: its output.
    std::string Ok(const std::vector<std::string>& arr, const std::vector<std::string>& arrExtra = {}) {
        SProcessResult r = Cli(arr, arrExtra);
        EXPECT_EQ(r.nExit, 0) << arr[0] << ": " << r.strErr;
        return r.strOut;
    }

    CTempDir m_dir;
    std::string m_strDb;
};
