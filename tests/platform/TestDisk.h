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

#include "support/TestSupport.h"

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
    // the mount goes with the child's namespace
    return RunInChild([&] {
        std::string str = testdisk::EnterSmallDisk(strFolder, nBytes);
        return str.empty() ? fn() : str;
    });
}
