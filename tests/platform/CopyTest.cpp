// Copies are whole or absent under their final name: failing, refused and
// killed copies leave nothing there.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/PosixPlatform.h"
#include "platform/TestDisk.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> Names(const std::string& strFolder) {
    std::vector<std::string> arr;
    for (const auto& entry : fs::directory_iterator(strFolder)) arr.push_back(entry.path().filename().string());
    std::sort(arr.begin(), arr.end());
    return arr;
}

// Bytes that differ at every position, so a short copy cannot pass for a whole one.
std::string Pattern(size_t n) {
    std::string str(n, '\0');
    std::mt19937 rng(7);
    for (auto& c : str) c = static_cast<char>(rng());
    return str;
}

void AgeFile(const std::string& strPath, int nSeconds) {
    struct timeval tv[2];
    ::gettimeofday(&tv[0], nullptr);
    tv[0].tv_sec -= nSeconds;
    tv[1] = tv[0];
    ::utimes(strPath.c_str(), tv);
}

class CCopyTest : public ::testing::TestWithParam<bool> {
protected:
    bool Named() const { return GetParam(); }
    CTempDir m_dir;
};
}  // namespace

TEST_P(CCopyTest, CopiesWholeFilesAndRefusesWhatItMustNot) {
    std::string strFrom = m_dir.File("from.tov");
    WriteFile(strFrom, Pattern(3 << 20));
    ::chmod(strFrom.c_str(), 0640);
    ASSERT_TRUE(CopyFileAtomic(strFrom, m_dir.File("copy"), Named())) << std::strerror(errno);
    EXPECT_EQ(ReadFile(m_dir.File("copy")), ReadFile(strFrom));
    struct stat st {};
    ASSERT_EQ(::stat(m_dir.File("copy").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // nothing is overwritten, not even through a link that points nowhere
    WriteFile(m_dir.File("old"), "old");
    ::symlink("nirgends", m_dir.File("link").c_str());
    const struct {
        std::string strFrom, strTo;
        int nErrno;
    } kRefused[] = {
        {strFrom, m_dir.File("old"), EEXIST},
        {strFrom, m_dir.File("link"), EEXIST},
        {m_dir.File("missing"), m_dir.File("c1"), ENOENT},
        {m_dir.Path(), m_dir.File("c2"), EISDIR},
        {strFrom, m_dir.File("no/folder"), ENOENT},
    };
    for (const auto& c : kRefused) {
        errno = 0;
        EXPECT_FALSE(CopyFileAtomic(c.strFrom, c.strTo, Named())) << c.strTo;
        EXPECT_EQ(errno, c.nErrno) << c.strTo;
    }
    EXPECT_EQ(ReadFile(m_dir.File("old")), "old");
    EXPECT_EQ(Names(m_dir.Path()), (std::vector<std::string>{"copy", "from.tov", "link", "old"}));
}

TEST_P(CCopyTest, AFolderWithoutWriteRightsGetsNothing) {
    std::string strFolder = m_dir.File("nur-lesen");
    fs::create_directory(strFolder);
    WriteFile(m_dir.File("from.tov"), "data");
    OpenForOthers(m_dir.Path());
    ::chmod(m_dir.File("from.tov").c_str(), 0644);
    ::chmod(strFolder.c_str(), 0555);
    bool bNamed = Named();
    std::string strResult = RunUnprivileged([&] {
        errno = 0;
        bool b = CopyFileAtomic(m_dir.File("from.tov"), strFolder + "/copy", bNamed);
        return std::to_string(b) + " " + std::to_string(errno);
    });
    EXPECT_EQ(strResult, "0 " + std::to_string(EACCES));
    EXPECT_TRUE(fs::is_empty(strFolder));
}

// Bytes the process has written so far; -1 once it is gone.
long long WrittenBytes(pid_t pid) {
    std::string str = ReadFile("/proc/" + std::to_string(pid) + "/io");
    size_t n = str.find("wchar: ");
    return n == std::string::npos ? -1 : std::atoll(str.c_str() + n + 7);
}

// A copy killed at any moment leaves either nothing or the whole file under
// its final name; a part it left behind is cleared by a later copy once it
// is stale, but never while its copy still runs.
TEST_P(CCopyTest, KilledCopyLeavesNoPartialFileUnderTheFinalName) {
    const std::string strData = Pattern(48 << 20);
    std::string strFrom = m_dir.File("gross.tov");
    WriteFile(strFrom, strData);
    const int nTrials = 6;
    int nAbsent = 0;
    for (int nTrial = 0; nTrial < nTrials; ++nTrial) {
        std::string strTo = m_dir.File("kopie" + std::to_string(nTrial));
        pid_t pid = ::fork();
        if (pid == 0) ::_exit(CopyFileAtomic(strFrom, strTo, Named()) ? 0 : 1);
        // killed once it has written a share of the file that grows with every trial
        long long nKillAt = static_cast<long long>(strData.size()) * nTrial / nTrials + 1;
        for (int i = 0; i < 200000; ++i) {
            long long n = WrittenBytes(pid);
            if (n < 0 || n >= nKillAt || ::waitpid(pid, nullptr, WNOHANG) != 0) break;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (fs::exists(strTo)) {
            EXPECT_EQ(fs::file_size(strTo), strData.size()) << strTo;
            EXPECT_TRUE(ReadFile(strTo) == strData) << strTo;
        } else {
            ++nAbsent;
        }
    }
    EXPECT_GT(nAbsent, 0);

    std::vector<std::string> arrParts;
    for (const auto& strName : Names(m_dir.Path()))
        if (strName[0] == '.') arrParts.push_back(strName);
    if (!Named()) {
        EXPECT_TRUE(arrParts.empty());
        return;
    }
    ASSERT_EQ(static_cast<int>(arrParts.size()), nAbsent);
    for (const auto& strPart : arrParts) EXPECT_EQ(strPart.compare(0, 6, ".kopie"), 0) << strPart;

    // a part that someone still writes stays, however old
    std::string strBusy = m_dir.File(".busy.tov.kopie-abcdef");
    WriteFile(strBusy, "x");
    AgeFile(strBusy, 3600);
    int fdBusy = ::open(strBusy.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fdBusy, F_OFD_SETLK, &fl), 0);
    // fresh parts stay too: their copy may have only just started
    ASSERT_TRUE(CopyFileAtomic(strFrom, m_dir.File("danach1"), true));
    for (const auto& strPart : arrParts) EXPECT_TRUE(fs::exists(m_dir.File(strPart))) << strPart;
    for (const auto& strPart : arrParts) AgeFile(m_dir.File(strPart), 3600);
    ASSERT_TRUE(CopyFileAtomic(strFrom, m_dir.File("danach2"), true));
    for (const auto& strPart : arrParts) EXPECT_FALSE(fs::exists(m_dir.File(strPart))) << strPart;
    EXPECT_TRUE(fs::exists(strBusy));
    ::close(fdBusy);
}

TEST_P(CCopyTest, FullDiskLeavesNothingBehind) {
    std::string strFrom = m_dir.File("from.tov");
    WriteFile(strFrom, Pattern(3 << 20));
    std::string strDisk = m_dir.File("disk");
    fs::create_directory(strDisk);
    bool bNamed = Named();
    std::string strResult = RunOnSmallDisk(strDisk, 1 << 20, [&] {
        errno = 0;
        bool b = CopyFileAtomic(strFrom, strDisk + "/copy", bNamed);
        int nErrno = errno;
        std::string str = std::to_string(b) + " " + std::to_string(nErrno);
        for (const auto& entry : fs::directory_iterator(strDisk)) str += " " + entry.path().filename().string();
        // the space is free again: a small copy fits
        WriteFile(strDisk + "/klein", "x");
        return str + (CopyFileAtomic(strDisk + "/klein", strDisk + "/klein2", bNamed) ? " ok" : " voll");
    });
    if (strResult.rfind("skip:", 0) == 0) GTEST_SKIP() << strResult;
    EXPECT_EQ(strResult, "0 " + std::to_string(ENOSPC) + " ok");
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamedPart, CCopyTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "NamedPart" : "UnnamedPart"; });
