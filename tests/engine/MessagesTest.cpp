// The engine's texts: the string table, the platform's error texts and the
// fetch of an exception's message.
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "Messages.h"
#include "StringTable.h"
#include "afx/AfxException.h"

namespace {

TEST(MessagesTest, FileErrorTextForEveryCause) {
    const std::u16string texts[] = {
        u"No error occurred.",
        u"An unknown error occurred while accessing /d/x.dbf.",
        u"/d/x.dbf was not found.",
        u"/d/x.dbf contains an incorrect path.",
        u"Could not open /d/x.dbf because there are too many open files.",
        u"Access to /d/x.dbf was denied.",
        u"An incorrect file handle was associated with /d/x.dbf.",
        u"Could not remove /d/x.dbf because it is the current directory.",
        u"Could not create /d/x.dbf because the directory is full.",
        u"Seek failed on /d/x.dbf",
        u"Encountered a hardware I/O error while accessing /d/x.dbf.",
        u"Encountered a sharing violation while accessing /d/x.dbf.",
        u"Encountered a locking violation while accessing /d/x.dbf.",
        u"Disk full while accessing /d/x.dbf.",
        u"Attempted to access /d/x.dbf past its end.",
    };
    for (int cause = 0; cause <= 14; ++cause)
        EXPECT_EQ(CFileException(cause, -1, u"/d/x.dbf").GetMessageText(), texts[cause]);
    EXPECT_EQ(CFileException(2, ENOENT, u"").GetMessageText(), u"an unnamed file was not found.");
    EXPECT_EQ(CFileException(99, 0, u"f").GetMessageText(),
              u"An unknown error occurred while accessing f.");
}

TEST(MessagesTest, ErrnoSortsIntoCauses) {
    const std::pair<int, int> table[] = {
        {ENOENT, 2}, {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {EINVAL, 3},  {ELOOP, 3},   {EMFILE, 4},
        {ENFILE, 4}, {EACCES, 5},  {EPERM, 5},        {EROFS, 5},   {EISDIR, 5},  {EBADF, 6},
        {EIO, 10},   {ETXTBSY, 11}, {EBUSY, 11},      {ENOSPC, 13}, {EDQUOT, 13}, {EXDEV, 1},
    };
    for (const auto& [error, cause] : table)
        EXPECT_EQ(CFileException::OsErrorToCause(error), cause) << "errno " << error;
}

TEST(MessagesTest, FixedTextsOfThePlatformExceptions) {
    const std::pair<const CException*, std::u16string> table[] = {
        {new CMemoryException, u"Out of memory."},
        {new CNotSupportedException, u"Attempted an unsupported operation."},
        {new CInvalidArgException, u"Encountered an improper argument."},
        {new CResourceException, u"A required resource was unavailable."},
        {new CUserException, u"An unknown error has occurred."},
        {new CException, u"No error message is available."},
    };
    for (const auto& [e, text] : table) {
        EXPECT_EQ(GetExceptionText(*e, IDS_ERROR_GENERAL), u"Error 2: General error. " + text);
        delete e;
    }
}

class LongMessage : public CException {
public:
    explicit LongMessage(std::size_t n) : m_text(n, u'a') { m_text.back() = u'z'; }
    BOOL GetErrorMessage(char16_t* buffer, UINT maxChars) const override {
        return CopyMessage(m_text, buffer, maxChars);
    }

private:
    std::u16string m_text;
};

TEST(MessagesTest, ExceptionMessageIsCutAt4095Characters) {
    for (const std::size_t length : {4094u, 4095u, 4096u, 10000u}) {
        const CStringW text = GetExceptionText(LongMessage(length), IDS_ERROR_GENERAL);
        const std::size_t kept = std::min<std::size_t>(length, 4095);
        EXPECT_EQ(text.size(), std::u16string(u"Error 2: General error. ").size() + kept);
        EXPECT_EQ(text.back() == u'z', length <= 4095) << length;
    }
}

TEST(MessagesTest, StringTableTextsAsStored) {
    EXPECT_EQ(LoadEngineString(IDS_ANALYZING), u"Analyzing the source file ...");
    EXPECT_EQ(LoadEngineString(IDS_ERROR_OPEN), u"Error 1: Cannot open the file to be repaired. %s");
    EXPECT_EQ(LoadEngineString(IDS_ERROR_GENERAL), u"Error 2: General error. %s");
    EXPECT_EQ(LoadEngineString(IDS_ERROR_UNKNOWN), u"Error 3: Unknown error in %s.");
    EXPECT_EQ(LoadEngineString(IDS_WHOLE_PROCESS), u"whole recovery process");
    EXPECT_EQ(FormatString(LoadEngineString(IDS_SHARE_VIOLATION), {u"/d/x.dbf"}),
              u"Share violation when opening the source file '/d/x.dbf'.\n"
              u"Please close any other applications accessing the file and try again.\n"
              u"If this still cannot work, then please make a copy of the source PST file, then "
              u"use Pelmark to repair the copy instead.");
    EXPECT_EQ(LoadEngineString(3), u"");
}

TEST(MessagesTest, FormattingAndConversion) {
    EXPECT_EQ(FormatString(u"a %s b %s c", {u"1", u"2"}), u"a 1 b 2 c");
    EXPECT_EQ(FormatString(u"100%% %s %d", {u"%s"}), u"100% %s %d");
    EXPECT_EQ(FormatString(u"%s and %s", {u"one"}), u"one and ");
    const std::string utf8 = "/d\xC3\xA4t\xE2\x82\xAC/\xF0\x9F\x98\x80.dbf";
    EXPECT_EQ(FromUtf8(utf8), u"/d\u00e4t\u20ac/\U0001F600.dbf");
    EXPECT_EQ(ToUtf8(FromUtf8(utf8)), utf8);
    EXPECT_EQ(FromUtf8("a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

} // namespace
