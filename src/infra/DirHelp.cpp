// Wildcard search in directories and small file utilities.
#include "DirHelp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "SafeMem.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"

log4cxx::LoggerPtr CDirHelp::m_logger = vnLogger("VornCryptoSSL.CDirHelp");

namespace {

// Process-wide state of MyFindFirst/MyFindNext and the buffer of MyFileName.
DIR* g_findDir = nullptr;
char g_findPattern[1024];
char g_findName[1024];
char g_fileName[4096];

bool match(const char* pattern, const char* name, bool ignoreCase) {
    // Iterative wildcard match with one backtracking point for the last '*'.
    const char* starP = nullptr;
    const char* starN = nullptr;
    auto same = [ignoreCase](char a, char b) {
        if (ignoreCase)
            return toupper(static_cast<unsigned char>(a)) == toupper(static_cast<unsigned char>(b));
        return a == b;
    };
    while (*name) {
        if (*pattern == '*') {
            starP = pattern++;
            starN = name;
        } else if (*pattern == '?' || (*pattern && same(*pattern, *name))) {
            ++pattern;
            ++name;
        } else if (starP) {
            pattern = starP + 1;
            name = ++starN;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\'))
        return dir + name;
    return dir + "/" + name;
}

}  // namespace

CDirHelp::CDirHelp() : m_pattern{}, m_dir(nullptr), m_maximum(0), m_found(0) {}

CDirHelp::CDirHelp(std::string strStartDir, std::string pattern, std::string prefix, int recursive, int maximum)
    : m_pattern{}, m_dir(nullptr), m_maximum(maximum), m_found(0), m_prefix(std::move(prefix)) {
    VnLoggerTraceScope trace(m_logger, "CDirHelp::CDirHelp");
    CSafeMem::strcpy(m_pattern, sizeof(m_pattern), pattern.c_str());
    if (pattern == "*.*") {
        GetDirectories(strStartDir, pattern, recursive, &m_DirStack);
    } else {
        GetDirectories(strStartDir, pattern, recursive, &m_DirStack);
        // The list may grow while it is walked (recursive searches append to it).
        for (auto it = m_DirList.begin(); it != m_DirList.end(); ++it)
            GetDirectories(*it, pattern, recursive, &m_DirStack);
    }
    LOG4CXX_DEBUG(m_logger, "found files (m_DirStack) :" << m_DirStack.size());
    if (m_logger->isDebugEnabled()) {
        for (const auto& f : m_DirStack) {
            LOG4CXX_DEBUG(m_logger, "MyFile.FileName :" << f.FileName);
            LOG4CXX_DEBUG(m_logger, "MyFile.IsDir    :" << f.IsDir);
        }
    }
}

CDirHelp::~CDirHelp() {
    if (m_dir)
        closedir(m_dir);
}

int CDirHelp::GetNumOfFoundFiles() { return static_cast<int>(m_DirStack.size()); }

int CDirHelp::FindNext(FileStruct* out) {
    if (m_DirStack.empty())
        return -1;
    if (out)
        *out = m_DirStack.back();
    m_DirStack.pop_back();
    return 0;
}

// Ordinary files pass; hidden files, files still being uploaded and, with a prefix,
// files whose name does not start with it are left out.
bool CDirHelp::acceptFile(const std::string& name) const {
    if (name.empty() || name[0] == '.')
        return false;
    if (name.find("uploading") != std::string::npos)
        return false;
    if (!m_prefix.empty() && name.compare(0, m_prefix.size(), m_prefix) != 0)
        return false;
    return true;
}

int CDirHelp::GetDirectories(std::string dir, std::string pattern, int recursive, std::vector<FileStruct>* out) {
    if (m_found > m_maximum || out == nullptr)
        return 1;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
        return 1;
    while (m_found < m_maximum) {
        struct dirent* e = readdir(d);
        if (e == nullptr)
            break;
        if (IsDots(e->d_name) || !PatiMatch(pattern.c_str(), e->d_name))
            continue;
        std::string path = joinPath(dir, e->d_name);
        if (IsDirectory(path.c_str())) {
            if (IsLocked(path.c_str()))
                continue;
            if (recursive == 1)
                GetDirectories(path, "*.*", 1, out);
            continue;
        }
        if (!acceptFile(e->d_name))
            continue;
        ++m_found;
        out->push_back(FileStruct{path, false});
    }
    closedir(d);
    return 1;
}

const char* CDirHelp::MyFindFirst(const char* dir, const char* pattern) {
    MyFindClose();
    if (dir == nullptr || pattern == nullptr)
        return nullptr;
    g_findDir = opendir(dir);
    if (g_findDir == nullptr)
        return nullptr;
    CSafeMem::strcpy(g_findPattern, sizeof(g_findPattern), pattern);
    return MyFindNext();
}

const char* CDirHelp::MyFindNext() {
    if (g_findDir == nullptr)
        return nullptr;
    while (struct dirent* e = readdir(g_findDir)) {
        if (PatiMatch(g_findPattern, e->d_name)) {
            CSafeMem::strcpy(g_findName, sizeof(g_findName), e->d_name);
            return g_findName;
        }
    }
    return nullptr;
}

void CDirHelp::MyFindClose() {
    if (g_findDir) {
        closedir(g_findDir);
        g_findDir = nullptr;
    }
}

int CDirHelp::GetNumofFiles(char* dir, char* pattern) {
    int count = 0;
    for (const char* n = MyFindFirst(dir, pattern); n != nullptr; n = MyFindNext())
        ++count;
    MyFindClose();
    return count;
}

bool CDirHelp::PatMatch(const char* pattern, const char* name) {
    return pattern && name && match(pattern, name, false);
}

bool CDirHelp::PatiMatch(const char* pattern, const char* name) {
    return pattern && name && match(pattern, name, true);
}

bool CDirHelp::IsDirectory(const char* path) {
    struct stat st {};
    return path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool CDirHelp::IsDots(const char* name) { return name && (strcmp(name, ".") == 0 || strcmp(name, "..") == 0); }

bool CDirHelp::IsLocked(const char* path) {
    if (path == nullptr)
        return false;
    std::string lock = std::string(path) + ".lock";
    struct stat st {};
    return stat(lock.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CDirHelp::MyCopyFile(char* fromDir, char* toDir, char* name) {
    if (fromDir == nullptr || toDir == nullptr || name == nullptr)
        return false;
    std::ifstream in(joinPath(fromDir, name), std::ios::binary);
    if (!in)
        return false;
    std::ofstream out(joinPath(toDir, name), std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out << in.rdbuf();
    return true;
}

bool CDirHelp::MyMoveFile(char* fromDir, char* toDir, char* name) {
    if (!MyCopyFile(fromDir, toDir, name))
        return false;
    std::string src = joinPath(fromDir, name);
    return MyDeleteFile(const_cast<char*>(src.c_str()));
}

bool CDirHelp::MyDeleteFile(char* path) { return path && unlink(path) == 0; }

const char* CDirHelp::MyFileName(char* dir, char* name) {
    CSafeMem::sprintf(g_fileName, sizeof(g_fileName), "%s/%s", dir ? dir : "", name ? name : "");
    return g_fileName;
}

void CDirHelp::MakeDirs(std::string sPrefix, std::string sDestDir) {
    std::string path = sPrefix;
    if (path.empty() && !sDestDir.empty() && sDestDir[0] == '/')
        path = "/";
    size_t pos = 0;
    while (pos <= sDestDir.size()) {
        size_t next = sDestDir.find('/', pos);
        if (next == std::string::npos)
            next = sDestDir.size();
        std::string part = sDestDir.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty())
            continue;
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += part;
        if (!IsDirectory(path.c_str())) {
            LOG4CXX_DEBUG(m_logger, "making dir :" << path);
            mkdir(path.c_str(), 0755);
        }
    }
}
