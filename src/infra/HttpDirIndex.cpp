// The HTML index page of a directory for "file://" addresses: a long listing in which each
// name is a link.
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "HttpInternal.h"

namespace {

struct Entry {
    std::string name;
    struct stat st;
    std::string linkTarget;
};

// File names may hold characters that have a meaning in HTML.
std::string htmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string modeText(mode_t m) {
    char s[11];
    s[0] = S_ISDIR(m)    ? 'd'
           : S_ISLNK(m)  ? 'l'
           : S_ISCHR(m)  ? 'c'
           : S_ISBLK(m)  ? 'b'
           : S_ISFIFO(m) ? 'p'
           : S_ISSOCK(m) ? 's'
                         : '-';
    const char* rwx = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        s[1 + i] = (m & (0400 >> i)) ? rwx[i] : '-';
    if (m & S_ISUID)
        s[3] = (m & S_IXUSR) ? 's' : 'S';
    if (m & S_ISGID)
        s[6] = (m & S_IXGRP) ? 's' : 'S';
    if (m & S_ISVTX)
        s[9] = (m & S_IXOTH) ? 't' : 'T';
    s[10] = '\0';
    return s;
}

std::string userName(uid_t uid) {
    passwd pw;
    passwd* found = nullptr;
    char buffer[1024];
    if (getpwuid_r(uid, &pw, buffer, sizeof(buffer), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

std::string groupName(gid_t gid) {
    group gr;
    group* found = nullptr;
    char buffer[1024];
    if (getgrgid_r(gid, &gr, buffer, sizeof(buffer), &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

// Date as a long listing shows it: time of day within the last half year, else the year.
std::string dateText(time_t t) {
    tm local;
    localtime_r(&t, &local);
    const time_t now = std::time(nullptr);
    const time_t halfYear = 365 * 24 * 3600 / 2;
    char s[32];
    if (t > now - halfYear && t <= now + 3600)
        std::strftime(s, sizeof(s), "%b %e %H:%M", &local);
    else
        std::strftime(s, sizeof(s), "%b %e  %Y", &local);
    return s;
}

std::string sizeText(const struct stat& st) {
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return std::to_string(major(st.st_rdev)) + ", " + std::to_string(minor(st.st_rdev));
    return std::to_string(static_cast<long long>(st.st_size));
}

// The classifier a long listing puts after a name.
const char* classifier(mode_t m) {
    if (S_ISDIR(m))
        return "/";
    if (S_ISFIFO(m))
        return "|";
    if (S_ISSOCK(m))
        return "=";
    if (S_ISREG(m) && (m & (S_IXUSR | S_IXGRP | S_IXOTH)))
        return "*";
    return "";
}

std::string padLeft(const std::string& s, size_t width) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

std::string padRight(const std::string& s, size_t width) {
    return s.size() < width ? s + std::string(width - s.size(), ' ') : s;
}

// The directory part of path: up to its last '/' (a trailing '/' does not count).
std::string parentOf(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return path;
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

namespace vnhttp {

int directory_index(const std::string& path, std::string& page) {
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return errno;
    std::vector<Entry> entries;
    const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
    while (dirent* d = readdir(dir)) {
        if (d->d_name[0] == '.')  // hidden entries, "." and ".." are not listed
            continue;
        Entry e;
        e.name = d->d_name;
        const std::string full = prefix + e.name;
        if (lstat(full.c_str(), &e.st) < 0)
            continue;  // vanished meanwhile
        if (S_ISLNK(e.st.st_mode)) {
            std::vector<char> target(static_cast<size_t>(std::max<off_t>(e.st.st_size, 255)) + 1);
            ssize_t n = readlink(full.c_str(), target.data(), target.size() - 1);
            if (n >= 0)
                e.linkTarget.assign(target.data(), static_cast<size_t>(n));
        }
        entries.push_back(std::move(e));
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });

    struct Columns {
        std::string mode, links, user, group, size, date;
    };
    std::vector<Columns> cols;
    size_t wLinks = 0, wUser = 0, wGroup = 0, wSize = 0;
    for (const Entry& e : entries) {
        Columns c{modeText(e.st.st_mode), std::to_string(static_cast<unsigned long long>(e.st.st_nlink)),
                  userName(e.st.st_uid),  groupName(e.st.st_gid),
                  sizeText(e.st),         dateText(e.st.st_mtime)};
        wLinks = std::max(wLinks, c.links.size());
        wUser = std::max(wUser, c.user.size());
        wGroup = std::max(wGroup, c.group.size());
        wSize = std::max(wSize, c.size.size());
        cols.push_back(std::move(c));
    }

    const std::string shown = htmlEscape(path);
    page = "<HTML><HEAD><TITLE>Index of " + shown + "</TITLE></HEAD>\n<BODY BGCOLOR=\"#99cc99\"><H4>Index of " + shown +
           "</H4>\n<PRE>\n";
    page += "<A HREF=\"file://" + htmlEscape(parentOf(path)) + "\">Parent Directory</A><P>\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const Columns& c = cols[i];
        const std::string name = htmlEscape(e.name);
        page += c.mode + " " + padLeft(c.links, wLinks) + " " + padRight(c.user, wUser) + " " +
                padRight(c.group, wGroup) + " " + padLeft(c.size, wSize) + " " + c.date + " ";
        page += "<A HREF=\"" + name + "\">" + name + "</A>";
        if (S_ISLNK(e.st.st_mode))
            page += " -> " + htmlEscape(e.linkTarget);
        else
            page += classifier(e.st.st_mode);
        page += "\n";
    }
    page += "</PRE>\n</BODY></HTML>\n";
    return 0;
}

}  // namespace vnhttp
