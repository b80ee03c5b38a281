// Locations of frames: Windows reports "section:offset" within the module's
// PE image. On Linux the same idea is applied to the ELF file: the address is
// turned back into the file's link-time address (minus the load bias), and
// the allocated section holding it gives "SS:OOOOOOOO" with the section's
// index in the section header table (index 0 is ELF's null section, so
// numbering starts at 1 as on Windows) and the offset in the section, e.g.
// "10:00001A2C" for .text. Addresses outside any module, in a module whose
// file cannot be read (the vDSO) or outside any section give "%08X ?".
// Symbols come from dladdr, then from the file's .symtab. No Qt here.
#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/CrashParts.h"

namespace {
// --- ELF file lookups: section and .symtab symbol of a link-time address --

class CElfFile {
public:
    explicit CElfFile(const char* pszPath) {
        m_fd = open(pszPath, O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) return;
        if (pread(m_fd, &m_header, sizeof(m_header), 0) != static_cast<ssize_t>(sizeof(m_header)) ||
            std::memcmp(m_header.e_ident, ELFMAG, SELFMAG) != 0 || m_header.e_ident[EI_CLASS] != ELFCLASS_NATIVE ||
            m_header.e_shentsize != sizeof(ElfW(Shdr))) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~CElfFile() {
        if (m_fd >= 0) close(m_fd);
    }
    CElfFile(const CElfFile&) = delete;
    CElfFile& operator=(const CElfFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    unsigned SectionCount() const { return m_header.e_shnum; }
    bool ReadSection(unsigned nIndex, ElfW(Shdr) & section) const {
        off_t nPos = static_cast<off_t>(m_header.e_shoff + nIndex * sizeof(ElfW(Shdr)));
        return pread(m_fd, &section, sizeof(section), nPos) == static_cast<ssize_t>(sizeof(section));
    }

    // The allocated section holding the address; 0 when none.
    unsigned FindSection(ElfW(Addr) nAddr, ElfW(Addr) & nOffset) const {
        for (unsigned i = 1; i < SectionCount(); ++i) {
            ElfW(Shdr) section;
            if (!ReadSection(i, section)) return 0;
            // thread-local sections overlap the ones after them
            if (!(section.sh_flags & SHF_ALLOC) || (section.sh_flags & SHF_TLS) || section.sh_size == 0) continue;
            if (section.sh_addr <= nAddr && nAddr <= section.sh_addr + section.sh_size) {
                nOffset = nAddr - section.sh_addr;
                return i;
            }
        }
        return 0;
    }

    // The function symbol of .symtab covering the address (names static
    // functions, which the dynamic symbol table does not hold).
    bool FindFunction(ElfW(Addr) nAddr, char* pszName, size_t nSize) const {
        for (unsigned i = 1; i < SectionCount(); ++i) {
            ElfW(Shdr) symtab;
            if (!ReadSection(i, symtab)) return false;
            if (symtab.sh_type != SHT_SYMTAB || symtab.sh_entsize != sizeof(ElfW(Sym))) continue;
            ElfW(Shdr) strtab;
            if (!ReadSection(symtab.sh_link, strtab)) return false;
            const size_t nCount = symtab.sh_size / sizeof(ElfW(Sym));
            ElfW(Sym) chunk[128];
            for (size_t nFirst = 0; nFirst < nCount; nFirst += 128) {
                const size_t nChunk = nCount - nFirst < 128 ? nCount - nFirst : 128;
                const ssize_t nBytes = static_cast<ssize_t>(nChunk * sizeof(ElfW(Sym)));
                if (pread(m_fd, chunk, nBytes, static_cast<off_t>(symtab.sh_offset + nFirst * sizeof(ElfW(Sym)))) !=
                    nBytes)
                    return false;
                for (size_t k = 0; k < nChunk; ++k) {
                    const ElfW(Sym)& sym = chunk[k];
                    const int nType = ELF64_ST_TYPE(sym.st_info);
                    if ((nType != STT_FUNC && nType != STT_GNU_IFUNC) || sym.st_shndx == SHN_UNDEF || sym.st_size == 0)
                        continue;
                    if (sym.st_value <= nAddr && nAddr < sym.st_value + sym.st_size) {
                        ssize_t nRead =
                            pread(m_fd, pszName, nSize - 1, static_cast<off_t>(strtab.sh_offset + sym.st_name));
                        if (nRead <= 0) return false;
                        pszName[nRead] = '\0';
                        return pszName[0] != '\0';
                    }
                }
            }
            return false;
        }
        return false;
    }

private:
    static constexpr unsigned char ELFCLASS_NATIVE = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    int m_fd = -1;
    ElfW(Ehdr) m_header{};
};

// The module (shared object or the program) holding an address.
struct SModule {
    Dl_info info{};
    const char* pszFile = nullptr;  // readable path of the module's file
    ElfW(Addr) nBias = 0;           // load bias: link-time address = address - bias
};

bool FindModule(std::uintptr_t nAddress, SModule& module) {
    struct link_map* pMap = nullptr;
    if (dladdr1(reinterpret_cast<void*>(nAddress), &module.info, reinterpret_cast<void**>(&pMap), RTLD_DL_LINKMAP) ==
            0 ||
        pMap == nullptr)
        return false;
    module.nBias = pMap->l_addr;
    // the program itself has an empty name in the link map
    module.pszFile = (pMap->l_name && pMap->l_name[0]) ? pMap->l_name : "/proc/self/exe";
    return true;
}

void FormatUnknownLocation(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    std::snprintf(pszOut, nSize, "%08lX ?", static_cast<unsigned long>(nAddress));
}
}  // namespace

namespace crash {
void SectionAddressOf(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    FormatUnknownLocation(nAddress, pszOut, nSize);
    SModule module;
    if (!FindModule(nAddress, module)) return;
    CElfFile file(module.pszFile);
    if (!file.IsOpen()) return;
    ElfW(Addr) nOffset = 0;
    unsigned nSection = file.FindSection(nAddress - module.nBias, nOffset);
    if (nSection == 0) return;
    std::snprintf(pszOut, nSize, "%02X:%08lX", nSection, static_cast<unsigned long>(nOffset));
}

void ModuleNameOf(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    pszOut[0] = '\0';
    SModule module;
    if (!FindModule(nAddress, module)) return;
    const char* pszName =
        std::strcmp(module.pszFile, "/proc/self/exe") == 0 ? g_szProgramName : BaseName(module.pszFile);
    char szName[64];
    CopyText(szName, sizeof(szName), pszName);
    // "libc.so.6" -> "libc", "orvantis.bin" -> "orvantis"
    if (char* pszSo = std::strstr(szName, ".so"))
        *pszSo = '\0';
    else if (char* pszDot = std::strrchr(szName, '.'); pszDot && pszDot != szName)
        *pszDot = '\0';
    CopyText(pszOut, nSize < 33 ? nSize : 33, szName);
}

void StripParameters(char* pszName) {
    char* pszClose = std::strrchr(pszName, ')');
    if (!pszClose) return;
    int nDepth = 0;
    for (char* p = pszClose; p >= pszName; --p) {
        if (*p == ')')
            ++nDepth;
        else if (*p == '(' && --nDepth == 0) {
            if (p != pszName) *p = '\0';
            return;
        }
    }
}

void SymbolOf(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    pszOut[0] = '\0';
    SModule module;
    if (!FindModule(nAddress, module)) return;
    char szRaw[2048];
    szRaw[0] = '\0';
    if (module.info.dli_sname && module.info.dli_saddr) {
        CopyText(szRaw, sizeof(szRaw), module.info.dli_sname);
    } else {
        CElfFile file(module.pszFile);
        if (!file.IsOpen() || !file.FindFunction(nAddress - module.nBias, szRaw, sizeof(szRaw))) return;
    }
    int nStatus = -1;
    char* pszDemangled = abi::__cxa_demangle(szRaw, nullptr, nullptr, &nStatus);
    if (nStatus == 0 && pszDemangled) {
        StripParameters(pszDemangled);
        std::snprintf(pszOut, nSize, "%s()", pszDemangled);
    } else {
        std::snprintf(pszOut, nSize, "%s()", szRaw);
    }
    std::free(pszDemangled);
}
}  // namespace crash
