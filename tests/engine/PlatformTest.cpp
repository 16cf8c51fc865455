// The platform layer's file class and the library's exports.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "afx/AfxFile.h"

using namespace enginetest;

namespace {

std::u16string U16(const std::string& s) { return FromUtf8(s); }

TEST(PlatformTest, OpensOfOneFileRespectEachOthersShareModes) {
    TempDir dir;
    const std::string path = dir / "f.dbf";
    writeFile(path, patternBytes(100, 1));
    CFile reader;
    ASSERT_TRUE(reader.Open(U16(path).c_str(), CFile::modeRead | CFile::shareDenyWrite));

    CFile other;
    CFileException error;
    EXPECT_FALSE(other.Open(U16(path).c_str(), CFile::modeWrite | CFile::modeCreate, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_strFileName, U16(path));
    EXPECT_TRUE(other.Open(U16(path).c_str(), CFile::modeRead | CFile::shareDenyWrite))
        << "readers that deny writers can share";
    other.Close();

    reader.Close();
    EXPECT_TRUE(other.Open(U16(path).c_str(), CFile::modeWrite | CFile::modeCreate |
                                                  CFile::shareExclusive));
    EXPECT_EQ(other.GetLength(), 0u) << "truncated once the checks passed";
}

TEST(PlatformTest, OpenKeepsTheFullPathAndFailsWithTheGivenOne) {
    TempDir dir;
    writeFile(dir / "f.dbf", patternBytes(10, 1));
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    struct BackToRoot {
        ~BackToRoot() { EXPECT_EQ(::chdir("/"), 0); }
    } backToRoot;
    CFile file;
    ASSERT_TRUE(file.Open(u"./sub/../f.dbf", CFile::modeRead));
    EXPECT_EQ(file.GetFilePath(), U16(dir / "f.dbf"));
    EXPECT_EQ(file.GetFileName(), u"f.dbf");
    EXPECT_EQ(file.GetFileTitle(), u"f");
    file.Close();
    EXPECT_EQ(file.GetFilePath(), u"");

    CFileException error;
    EXPECT_FALSE(file.Open(u"nope.dbf", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    EXPECT_EQ(error.m_strFileName, u"nope.dbf");
}

TEST(PlatformTest, PathLengthLimit) {
    TempDir dir;
    std::string path = dir.path() + "/";
    path.append(259 - path.size(), 'y');
    writeFile(path, patternBytes(10, 1));
    CFile file;
    EXPECT_TRUE(file.Open(U16(path).c_str(), CFile::modeRead)) << "259 units are allowed";
    file.Close();
    CFileException error;
    EXPECT_FALSE(file.Open(U16(path + "y").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
}

TEST(PlatformTest, WriteAndSeekFailuresNameTheFile) {
    TempDir dir;
    const std::string path = dir / "f.dbf";
    writeFile(path, patternBytes(10, 1));
    CFile file;
    ASSERT_TRUE(file.Open(U16(path).c_str(), CFile::modeRead));
    try {
        file.Write("abc", 3);
        FAIL() << "a write to a read-only descriptor must raise";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::invalidFile);
        EXPECT_EQ(e.m_strFileName, U16(path));
    }
    EXPECT_THROW(file.Seek(-5, CFile::begin), CFileException);
}

TEST(PlatformTest, LibraryExportsOnlyTheTwoEntryPoints) {
    void* lib = ::dlopen(BREVIK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << ::dlerror();
    EXPECT_NE(::dlsym(lib, "ProcessDBFFileEx"), nullptr);
    EXPECT_NE(::dlsym(lib, "ProcessDBFFile"), nullptr);
    // The dynamic symbol table holds nothing else the library defines.
    FILE* nm = ::popen("nm -D --defined-only " BREVIK_LIBRARY, "r");
    ASSERT_NE(nm, nullptr);
    std::vector<std::string> defined;
    char line[512];
    while (std::fgets(line, sizeof line, nm)) {
        std::string name = line;
        name = name.substr(name.rfind(' ') + 1);
        name.erase(name.find_first_of("@\n"));
        if (name != "BREVIK_1")
            defined.push_back(name);
    }
    ASSERT_EQ(::pclose(nm), 0);
    std::sort(defined.begin(), defined.end());
    EXPECT_EQ(defined, (std::vector<std::string>{"ProcessDBFFile", "ProcessDBFFileEx"}));

    // One real pass through the shared library itself.
    using Entry = int (*)(const ProcessParams*);
    auto entry = reinterpret_cast<Entry>(::dlsym(lib, "ProcessDBFFileEx"));
    TempDir dir;
    writeFile(dir / "in.dbf", patternBytes(1000, 1));
    const std::u16string src = U16(dir / "in.dbf"), dst = U16(dir / "out.dbf");
    Recorder rec;
    ProcessParams params{src.c_str(), 0, 0, dst.c_str(), &Recorder::Callback,
                         reinterpret_cast<uintptr_t>(&rec)};
    BrevikMaskParams(&params);
    EXPECT_EQ(entry(&params), 1);
    EXPECT_EQ(rec.Summary(), "PROGRESS 0, SOURCE, LOG, SIZE 1000, PROGRESS 100");
    EXPECT_EQ(readFile(dir / "out.dbf"), WithMagic(patternBytes(1000, 1)));
    ::dlclose(lib);
}

} // namespace
