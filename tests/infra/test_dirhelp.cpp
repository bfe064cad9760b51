#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DirHelp.h"
#include "TestSupport.h"

namespace {

TEST(CDirHelp, FindsMatchesCaseInsensitivelyInReverseOrder) {
    TempDir dir;
    dir.write("a.crl", "a");
    dir.write("b.CRL", "b");
    dir.write("c.txt", "c");
    dir.write(".hidden.crl", "h");
    dir.write("x.uploading.crl", "u");
    mkdir(dir.file("sub.crl").c_str(), 0755);
    dir.write("sub.crl/d.crl", "d");

    CDirHelp search(dir.path(), "*.crl", "", 0, 1500);
    ASSERT_EQ(search.GetNumOfFoundFiles(), 2);
    FileStruct first, second, none;
    // Handing out starts with the last entry found.
    ASSERT_EQ(search.FindNext(&first), 0);
    ASSERT_EQ(search.FindNext(&second), 0);
    EXPECT_EQ(search.FindNext(&none), -1);
    EXPECT_EQ(search.GetNumOfFoundFiles(), 0);
    std::set<std::string> names = {first.FileName, second.FileName};
    EXPECT_EQ(names, (std::set<std::string>{dir.file("a.crl"), dir.file("b.CRL")}));
    EXPECT_FALSE(first.IsDir);

    // The order of finding is the directory's own order; FindNext reverses it.
    std::vector<std::string> listed;
    CDirHelp plain;
    for (const char* n = plain.MyFindFirst(dir.path().c_str(), "*.crl"); n; n = plain.MyFindNext())
        if (std::string(n)[0] != '.' && std::string(n).find("uploading") == std::string::npos &&
            std::string(n) != "sub.crl")
            listed.push_back(dir.file(n));
    plain.MyFindClose();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(first.FileName, listed[1]);
    EXPECT_EQ(second.FileName, listed[0]);
}

TEST(CDirHelp, StopsAtTheMaximum) {
    TempDir dir;
    for (int i = 0; i < 2000; ++i)
        dir.write("f" + std::to_string(i) + ".crt", "");
    CDirHelp search(dir.path(), "*.crt", "", 0, 1500);
    EXPECT_EQ(search.GetNumOfFoundFiles(), 1500);
    char p[] = "*.crt";
    std::vector<char> d(dir.path().begin(), dir.path().end());
    d.push_back('\0');
    EXPECT_EQ(CDirHelp().GetNumofFiles(d.data(), p), 2000) << "the plain count has no maximum";
}

TEST(CDirHelp, PrefixAndRecursionAndLocks) {
    TempDir dir;
    dir.write("ca-1.pem", "");
    dir.write("other.pem", "");
    mkdir(dir.file("deep").c_str(), 0755);
    dir.write("deep/ca-2.pem", "");
    mkdir(dir.file("locked").c_str(), 0755);
    dir.write("locked.lock", "");
    dir.write("locked/ca-3.pem", "");

    CDirHelp prefixed(dir.path(), "*.pem", "ca-", 0, 1500);
    EXPECT_EQ(prefixed.GetNumOfFoundFiles(), 1);

    CDirHelp recursive(dir.path() + "/", "*", "ca-", 1, 1500);
    std::set<std::string> names;
    FileStruct f;
    while (recursive.FindNext(&f) == 0)
        names.insert(f.FileName);
    EXPECT_EQ(names, (std::set<std::string>{dir.file("ca-1.pem"), dir.file("deep/ca-2.pem")}));
}

TEST(CDirHelp, PatternMatching) {
    EXPECT_TRUE(CDirHelp::PatMatch("*.crl", "a.crl"));
    EXPECT_FALSE(CDirHelp::PatMatch("*.crl", "a.CRL"));
    EXPECT_TRUE(CDirHelp::PatiMatch("*.crl", "a.CRL"));
    EXPECT_TRUE(CDirHelp::PatMatch("a?c", "abc"));
    EXPECT_FALSE(CDirHelp::PatMatch("a?c", "ac"));
    EXPECT_TRUE(CDirHelp::PatMatch("*", ""));
    EXPECT_TRUE(CDirHelp::PatMatch("a*b*c", "aXXbYYbc"));
    EXPECT_FALSE(CDirHelp::PatMatch("a*b", "aXXbc"));
    EXPECT_FALSE(CDirHelp::PatMatch("abc", "abcd"));
    EXPECT_TRUE(CDirHelp::IsDots(".") && CDirHelp::IsDots("..") && !CDirHelp::IsDots(".a"));
}

TEST(CDirHelp, FileUtilities) {
    TempDir from, to;
    from.write("x.bin", "payload");
    CDirHelp h;
    char f[256], t[256], n[] = "x.bin", missing[] = "nope";
    snprintf(f, sizeof(f), "%s", from.path().c_str());
    snprintf(t, sizeof(t), "%s", to.path().c_str());
    EXPECT_TRUE(h.MyCopyFile(f, t, n));
    EXPECT_EQ(readFile(to.file("x.bin")), "payload");
    EXPECT_FALSE(h.MyCopyFile(f, t, missing));
    EXPECT_TRUE(h.MyMoveFile(t, f, n));
    EXPECT_FALSE(fileExists(to.file("x.bin")));
    EXPECT_STREQ(h.MyFileName(f, n), from.file("x.bin").c_str());
    h.MakeDirs("", to.path() + "/a/b/c");
    EXPECT_TRUE(CDirHelp::IsDirectory(to.file("a/b/c").c_str()));
    EXPECT_FALSE(CDirHelp::IsDirectory(from.file("x.bin").c_str()));
    std::string file = from.file("x.bin");
    std::vector<char> path(file.begin(), file.end());
    path.push_back('\0');
    EXPECT_TRUE(h.MyDeleteFile(path.data()));
    EXPECT_FALSE(h.MyDeleteFile(path.data()));
}

}  // namespace
