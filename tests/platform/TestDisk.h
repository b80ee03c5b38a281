#pragma once
// A small file system of its own for cases about a full disk: a forked child
// gets a private mount namespace (a user namespace too when not root), mounts
// a tmpfs of the given size over a folder and runs fn there. Answers what fn
// returned, or a text starting with "skip:" when the machine does not allow
// such a mount, or "child:" when the child failed.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace testdisk {
inline bool WriteProcFile(const char* pszPath, const std::string& strText) {
    int fd = ::open(pszPath, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool bOk = ::write(fd, strText.data(), strText.size()) == static_cast<ssize_t>(strText.size());
    ::close(fd);
    return bOk;
}

inline std::string EnterSmallDisk(const std::string& strFolder, long nBytes) {
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (uid == 0) {
        if (::unshare(CLONE_NEWNS) != 0) return "skip: no mount namespace";
    } else {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return "skip: no user namespace";
        WriteProcFile("/proc/self/setgroups", "deny");
        if (!WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return "skip: no id map";
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "skip: mounts not private";
    std::string strOptions = "size=" + std::to_string(nBytes) + ",mode=0777";
    if (::mount("tmpfs", strFolder.c_str(), "tmpfs", 0, strOptions.c_str()) != 0) return "skip: no tmpfs";
    return std::string();
}
}  // namespace testdisk

inline std::string RunOnSmallDisk(const std::string& strFolder, long nBytes, const std::function<std::string()>& fn) {
    int fds[2];
    if (::pipe(fds) != 0) return "child: no pipe";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string str = testdisk::EnterSmallDisk(strFolder, nBytes);
        if (str.empty()) str = fn();
        const char* p = str.data();
        size_t nLeft = str.size();
        while (nLeft > 0) {
            ssize_t n = ::write(fds[1], p, nLeft);
            if (n <= 0) break;
            p += n;
            nLeft -= static_cast<size_t>(n);
        }
        ::_exit(0);  // the mount goes with the namespace
    }
    ::close(fds[1]);
    std::string strResult;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) strResult.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    if (!WIFEXITED(nStatus)) return "child: killed by signal " + std::to_string(WTERMSIG(nStatus));
    if (WEXITSTATUS(nStatus) != 0) return "child: exit " + std::to_string(WEXITSTATUS(nStatus));
    return strResult;
}
