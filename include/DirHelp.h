// Finding files by wildcard pattern below a directory, and small file utilities.
#ifndef VN_DIRHELP_H
#define VN_DIRHELP_H

#include <dirent.h>
#include <log4cxx/logger.h>
#include <list>
#include <memory>
#include <string>
#include <vector>
#include "vn_export.h"

struct VN_EXPORT FileStruct {
    std::string FileName;  // directory, '/', name
    bool IsDir = false;
};

class VN_EXPORT CDirHelp {
public:
    CDirHelp();
    CDirHelp(std::string strStartDir, std::string pattern, std::string prefix, int recursive, int maximum);
    virtual ~CDirHelp();

    int GetNumOfFoundFiles();
    int FindNext(FileStruct* out);
    int GetDirectories(std::string dir, std::string pattern, int recursive, std::vector<FileStruct>* out);

    const char* MyFindFirst(const char* dir, const char* pattern);
    const char* MyFindNext();
    void MyFindClose();
    int GetNumofFiles(char* dir, char* pattern);

    static bool PatMatch(const char* pattern, const char* name);
    static bool PatiMatch(const char* pattern, const char* name);
    static bool IsDirectory(const char* path);
    static bool IsDots(const char* name);
    static bool IsLocked(const char* path);

    bool MyCopyFile(char* fromDir, char* toDir, char* name);
    bool MyMoveFile(char* fromDir, char* toDir, char* name);
    bool MyDeleteFile(char* path);
    const char* MyFileName(char* dir, char* name);
    void MakeDirs(std::string sPrefix, std::string sDestDir);

    static log4cxx::LoggerPtr m_logger;

private:
    bool acceptFile(const std::string& name) const;

    char m_pattern[1024];
    DIR* m_dir;
    std::list<std::string> m_DirList;
    std::vector<FileStruct> m_DirStack;
    int m_maximum;
    int m_found;
    std::string m_prefix;
};

#endif
